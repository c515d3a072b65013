#include "net/WaitFor.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace {

// One running wait. Waits nest when an event handler starts a call on another
// component, so every one of them is kept and woken.
class Wait {
public:
    Wait(const std::function<bool()>& done, const bool& cancelled, const std::function<bool()>& failed,
         const QDeadlineTimer& deadline)
        : m_done(done), m_cancelled(cancelled), m_failed(failed), m_deadline(deadline)
    {
    }

    // Latches the first condition found; the loop ends with it.
    void check()
    {
        if (m_result)
            return;
        try {
            if (m_cancelled)
                m_result = WaitResult::Cancelled;
            else if (m_deadline.hasExpired())
                m_result = WaitResult::TimedOut;
            else if (m_done())
                m_result = WaitResult::Done;
            else if (m_failed && m_failed())
                m_result = WaitResult::SocketError;
        } catch (...) {
            m_error = std::current_exception();
            m_result = WaitResult::SocketError;
        }
        if (m_result)
            m_loop.quit();
    }

    WaitResult run()
    {
        check();
        if (!m_result) {
            // Long time-outs are counted in pieces that fit a timer's interval.
            QTimer timer;
            timer.setSingleShot(true);
            QObject::connect(&timer, &QTimer::timeout, &m_loop, [this, &timer] {
                check();
                if (!m_result)
                    timer.start(interval());
            });
            timer.start(interval());
            m_loop.exec();
        }
        if (m_error)
            std::rethrow_exception(m_error);
        // The loop ended without a condition: the program quits its event loops.
        return m_result.value_or(WaitResult::Quit);
    }

private:
    int interval() const
    {
        constexpr qint64 Longest = 3600 * 1000;
        return int(std::clamp<qint64>(m_deadline.remainingTime(), 0, Longest));
    }

    const std::function<bool()>& m_done;
    const bool& m_cancelled;
    const std::function<bool()>& m_failed;
    QDeadlineTimer m_deadline;
    QEventLoop m_loop;
    std::optional<WaitResult> m_result;
    std::exception_ptr m_error;
};

thread_local std::vector<Wait*> running;

} // namespace

WaitResult waitFor(const std::function<bool()>& done, int timeoutSeconds, const bool& cancelled,
                   const std::function<bool()>& failed)
{
    // The deadline starts before the fast path's look, which takes no time worth counting.
    return waitUntil(done, deadlineIn(timeoutSeconds), cancelled, failed);
}

QDeadlineTimer deadlineIn(int timeoutSeconds)
{
    return QDeadlineTimer(qint64(std::max(timeoutSeconds, 1)) * 1000);
}

WaitResult waitUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline, const bool& cancelled,
                     const std::function<bool()>& failed)
{
    // Most waits of a fast exchange find their data already there.
    if (cancelled)
        return WaitResult::Cancelled;
    if (done())
        return WaitResult::Done;
    Wait wait(done, cancelled, failed, deadline);
    running.push_back(&wait);
    struct Leave {
        Wait* wait;
        ~Leave() { std::erase(running, wait); }
    } leave{&wait};
    return wait.run();
}

void wakeWaits()
{
    // A condition may start or end a wait of its own; wake the ones present now.
    const std::vector<Wait*> waits = running;
    for (Wait* wait : waits) {
        if (std::find(running.begin(), running.end(), wait) != running.end())
            wait->check();
    }
}
