#pragma once

#include <QDeadlineTimer>

#include <functional>

// How a wait of a network call ended. Quit: the program is leaving its event
// loops (QCoreApplication::exit), so nothing more will arrive.
enum class WaitResult { Done, Cancelled, TimedOut, SocketError, Quit };

// Runs a nested event loop until done() holds, `cancelled` is set, failed()
// holds, or `timeoutSeconds` pass (0 or less: one second). The conditions are
// looked at when the wait starts and whenever wakeWaits() is called; the first
// one found ends the wait, in the order cancel, time-out, done, failure. A wait
// ended from outside (the program quitting) returns Quit.
// Everything runs on the calling thread: no worker threads, no polling. An
// exception thrown by a condition ends the wait and is rethrown from here, so
// none passes through Qt's event loop.
WaitResult waitFor(const std::function<bool()>& done, int timeoutSeconds, const bool& cancelled,
                   const std::function<bool()>& failed = {});
// The deadline of a time-out of that many seconds (at least one) from now.
QDeadlineTimer deadlineIn(int timeoutSeconds);
// The same as waitFor, bounded by a deadline that may have begun before this
// wait: the lines of one reply share one time-out.
WaitResult waitUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline, const bool& cancelled,
                     const std::function<bool()>& failed = {});

// Makes every running wait look at its conditions again. Whatever can change a
// condition (a socket signal, a cancel) calls it.
void wakeWaits();
