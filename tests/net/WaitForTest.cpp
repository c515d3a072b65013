#include "net/WaitFor.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

TEST(WaitFor, EndsOnTheFirstConditionAWakeFinds)
{
    bool done = false;
    bool cancelled = false;
    QTimer::singleShot(20, [&] {
        done = true;
        wakeWaits();
    });
    EXPECT_EQ(waitFor([&] { return done; }, 30, cancelled), WaitResult::Done);

    // A cancel wins over a condition that holds at the same time.
    QTimer::singleShot(20, [&] {
        cancelled = true;
        wakeWaits();
    });
    EXPECT_EQ(waitFor([] { return false; }, 30, cancelled), WaitResult::Cancelled);
    EXPECT_EQ(waitFor([] { return true; }, 30, cancelled), WaitResult::Cancelled);

    cancelled = false;
    bool broken = false;
    QTimer::singleShot(20, [&] {
        broken = true;
        wakeWaits();
    });
    EXPECT_EQ(waitFor([] { return false; }, 30, cancelled, [&] { return broken; }), WaitResult::SocketError);
}

TEST(WaitFor, ANonPositiveTimeOutWaitsOneSecondAndTheLongestDoesNotOverflow)
{
    const bool cancelled = false;
    EXPECT_EQ(waitFor([] { return false; }, 0, cancelled), WaitResult::TimedOut);
    EXPECT_EQ(waitFor([] { return false; }, -5, cancelled), WaitResult::TimedOut);

    bool done = false;
    QTimer::singleShot(20, [&] {
        done = true;
        wakeWaits();
    });
    EXPECT_EQ(waitFor([&] { return done; }, std::numeric_limits<int>::max(), cancelled), WaitResult::Done);
}

TEST(WaitFor, WaitsNestAndEachEndsOnItsOwnCondition)
{
    const bool cancelled = false;
    bool outer = false;
    bool inner = false;
    WaitResult innerResult = WaitResult::TimedOut;
    QTimer::singleShot(10, [&] {
        // An event handler of the outer wait waits itself; the outer condition
        // comes true meanwhile and ends the outer wait once the inner one is over.
        QTimer::singleShot(10, [&] {
            outer = true;
            wakeWaits();
        });
        QTimer::singleShot(40, [&] {
            inner = true;
            wakeWaits();
        });
        innerResult = waitFor([&] { return inner; }, 30, cancelled);
    });
    EXPECT_EQ(waitFor([&] { return outer; }, 30, cancelled), WaitResult::Done);
    EXPECT_EQ(innerResult, WaitResult::Done);
    EXPECT_TRUE(inner);
}

TEST(WaitFor, AnExceptionOfAConditionComesOutOfTheWait)
{
    const bool cancelled = false;
    bool thrown = false;
    QTimer::singleShot(10, [&] {
        thrown = true;
        wakeWaits();
    });
    EXPECT_THROW(waitFor([&]() -> bool {
        if (thrown)
            throw std::runtime_error("condition failed");
        return false;
    }, 30, cancelled), std::runtime_error);
}

TEST(WaitFor, AProgramLeavingItsEventLoopsEndsTheWait)
{
    const bool cancelled = false;
    WaitResult result = WaitResult::Done;
    // Inside exec(), so the application's quitting is over when it returns.
    QTimer::singleShot(0, [&] { result = waitFor([] { return false; }, 30, cancelled); });
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_EQ(result, WaitResult::Quit);

    bool done = false;
    QTimer::singleShot(10, [&] {
        done = true;
        wakeWaits();
    });
    EXPECT_EQ(waitFor([&] { return done; }, 30, cancelled), WaitResult::Done);
}
