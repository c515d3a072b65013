#pragma once

#include <QString>
#include <QStringList>

// Zentrel run from a script: lists, a submission or a dry run of one, with no
// window. Exit status: 0 every site to post succeeded (or the listing was
// printed), 1 the run ran and a site failed, was skipped or the run was
// interrupted, 2 nothing was run (usage, unknown names, a failed check,
// nothing to post), 3 another copy works in the same folder.
namespace ConsoleProgram {

// True when the arguments ask for the command line rather than the window.
bool wanted(int argc, char* argv[]);

int run(const QStringList& arguments, const QString& programDirectory);

} // namespace ConsoleProgram
