#pragma once

class MainModel;
class QTextStream;

// What a submission of the application shown would send, site by site and
// method by method, worked out as the run works it out but without connecting,
// and without writing anything. Returns the exit status: 0 every site would be
// posted, 1 at least one would fail, 2 the run would not start.
namespace DryRun {

int print(MainModel& model, QTextStream& out);

} // namespace DryRun
