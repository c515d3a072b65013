#include "app/SingleInstance.h"

#include "../support/TestWorkspace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A second copy asking the first to come to the front. It asks from a thread of
// its own, as another process would, so that this thread's event loop serves
// the first copy meanwhile.
class SecondCopy {
public:
    explicit SecondCopy(const QString& serverName)
        : m_thread([this, serverName] { m_result = SingleInstance::requestFront(serverName, 10000) ? 1 : 0; })
    {
    }
    ~SecondCopy() { m_thread.join(); }

    bool answered() const { return m_result != Pending; }
    bool shown() const { return m_result == 1; }

    // Runs the first copy's events until this copy has its answer.
    bool waitForAnswer(int timeoutMs) const
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!answered() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return answered();
    }

private:
    static constexpr int Pending = -1;
    std::atomic<int> m_result{Pending};
    std::thread m_thread;
};

// Runs the first copy's events until it holds `count` connections from later
// copies, then a while longer so that what they sent has been read.
bool serveConnections(const SingleInstance& first, qsizetype count)
{
    QDeadlineTimer deadline(5000);
    while (first.findChildren<QLocalSocket*>().size() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(300);
    return first.findChildren<QLocalSocket*>().size() >= count;
}

} // namespace

TEST(SingleInstance, ASecondCopyIsAnsweredOnlyOnceTheWindowIsReady)
{
    TestWorkspace ws;
    SingleInstance first(ws.path());
    ASSERT_TRUE(first.claim());
    QSignalSpy fronts(&first, &SingleInstance::bringToFrontRequested);

    SecondCopy second(first.serverName());
    ASSERT_TRUE(serveConnections(first, 1));
    EXPECT_FALSE(second.answered()) << "answered while the window is not there";
    EXPECT_EQ(fronts.count(), 0);

    first.setReady();
    ASSERT_TRUE(second.waitForAnswer(10000));
    EXPECT_TRUE(second.shown());
    QTest::qWait(100);
    EXPECT_EQ(fronts.count(), 1);

    // Becoming ready again answers nobody twice.
    first.setReady();
    QTest::qWait(100);
    EXPECT_EQ(fronts.count(), 1);
}

TEST(SingleInstance, EveryCopyThatWaitedGetsOneAnswer)
{
    TestWorkspace ws;
    SingleInstance first(ws.path());
    ASSERT_TRUE(first.claim());
    QSignalSpy fronts(&first, &SingleInstance::bringToFrontRequested);

    SecondCopy second(first.serverName());
    SecondCopy third(first.serverName());
    ASSERT_TRUE(serveConnections(first, 2));
    EXPECT_FALSE(second.answered());
    EXPECT_FALSE(third.answered());
    EXPECT_EQ(fronts.count(), 0);

    first.setReady();
    ASSERT_TRUE(second.waitForAnswer(10000));
    ASSERT_TRUE(third.waitForAnswer(10000));
    EXPECT_TRUE(second.shown());
    EXPECT_TRUE(third.shown());
    QTest::qWait(100);
    EXPECT_EQ(fronts.count(), 2);
}

TEST(SingleInstance, AReadyCopyAnswersEachLaterCopyAtOnce)
{
    TestWorkspace ws;
    SingleInstance first(ws.path());
    ASSERT_TRUE(first.claim());
    first.setReady();
    QSignalSpy fronts(&first, &SingleInstance::bringToFrontRequested);
    for (int n = 1; n <= 2; ++n) {
        SecondCopy later(first.serverName());
        ASSERT_TRUE(later.waitForAnswer(10000));
        EXPECT_TRUE(later.shown());
        EXPECT_EQ(fronts.count(), n);
    }
}

TEST(SingleInstance, OnlyTheFirstCopyOfAFolderClaimsIt)
{
    TestWorkspace ws, other;
    SingleInstance first(ws.path());
    ASSERT_TRUE(first.claim());
    first.setReady();
    QSignalSpy fronts(&first, &SingleInstance::bringToFrontRequested);

    std::atomic<int> claimed{-1};
    std::thread second([&claimed, &ws] {
        SingleInstance copy(ws.path());
        claimed = copy.claim(10000) ? 1 : 0;
    });
    QDeadlineTimer deadline(10000);
    while (claimed == -1 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second.join();
    EXPECT_EQ(claimed, 0);
    EXPECT_EQ(fronts.count(), 1);

    // Another program folder is a program of its own.
    SingleInstance elsewhere(other.path());
    EXPECT_NE(elsewhere.serverName(), first.serverName());
    EXPECT_TRUE(elsewhere.claim(500));
}
