#pragma once

#include <QObject>
#include <QTextStream>

class SubmissionRun;

// Prints a run's course on standard output, one line per event a user cares
// about: the site being posted, each method's result, FTP attempts, skips.
// Lines only, never a redrawn line, so a log file reads as well as a terminal.
class RunPrinter : public QObject {
public:
    RunPrinter(SubmissionRun& run, bool quiet, QObject* parent = nullptr);

    // Always printed, also when quiet.
    void line(const QString& text);

private:
    void event(const QString& text);

    QTextStream m_out;
    bool m_quiet;
};
