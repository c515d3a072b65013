#include "app/SingleInstance.h"
#include "app/ZentrelProgram.h"
#include "ui/TMainFrm.h"
#include "ui/TSplashFrm.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// The built program, copied into a folder of its own: that folder is its workspace.
QString installProgram(const TestWorkspace& ws)
{
    const QString target = ws.file(s("zentrel"));
    QFile::copy(QString::fromLocal8Bit(ZENTREL_PROGRAM), target);
    return target;
}

QProcessEnvironment programEnvironment(const TestWorkspace& ws)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(s("QT_QPA_PLATFORM"), s("offscreen"));
    env.insert(s("XDG_CONFIG_HOME"), ws.file(s("config")));
    return env;
}

// The running copy answers a request to come to the front once its window is up.
bool waitForWindow(const QString& serverName, QProcess& process, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        if (SingleInstance::requestFront(serverName, 2000))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

TEST(ProgramStart, RealProgramStartsInAnEmptyFolderAndASecondCopyHandsOver)
{
    TestWorkspace ws;
    const QString program = installProgram(ws);
    ASSERT_TRUE(QFileInfo(program).isExecutable());

    QProcess first;
    first.setProcessEnvironment(programEnvironment(ws));
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    const SingleInstance probe(ws.path());
    ASSERT_TRUE(waitForWindow(probe.serverName(), first, 20000)) << first.readAllStandardError().constData();

    for (const char* dir : {"data", "companies", "cat", "sites", "sites/updates", "files", "reports", "images"})
        EXPECT_TRUE(QFileInfo(ws.file(s(dir))).isDir()) << dir;
    EXPECT_FALSE(ws.exists(s("companies/companies.dat")));

    QProcess second;
    second.setProcessEnvironment(programEnvironment(ws));
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first copy keeps running";

    // Killed without cleaning up: the next start takes the name over.
    first.kill();
    EXPECT_TRUE(first.waitForFinished(10000));
    QProcess third;
    third.setProcessEnvironment(programEnvironment(ws));
    third.start(program, {});
    ASSERT_TRUE(third.waitForStarted(5000));
    EXPECT_TRUE(waitForWindow(probe.serverName(), third, 20000));
    third.terminate();
    EXPECT_TRUE(third.waitForFinished(10000));
}

TEST(ProgramStart, OfTwoCopiesStartedTogetherOneRuns)
{
    TestWorkspace ws;
    const QString program = installProgram(ws);
    QProcess a, b;
    for (QProcess* p : {&a, &b}) {
        p->setProcessEnvironment(programEnvironment(ws));
        p->start(program, {});
    }
    ASSERT_TRUE(a.waitForStarted(5000) && b.waitForStarted(5000));
    // One of them ends by itself, having handed over; the other keeps running.
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && a.state() == QProcess::Running && b.state() == QProcess::Running) {
        a.waitForFinished(25); // lets each QProcess notice its process's end
        b.waitForFinished(25);
    }
    QProcess* ended = a.state() == QProcess::Running ? &b : &a;
    QProcess* running = ended == &a ? &b : &a;
    ASSERT_NE(ended->state(), QProcess::Running) << "neither copy ended";
    EXPECT_EQ(ended->exitCode(), 0);
    const SingleInstance probe(ws.path());
    EXPECT_TRUE(waitForWindow(probe.serverName(), *running, 20000));
    EXPECT_EQ(running->state(), QProcess::Running);
    running->terminate();
    running->waitForFinished(10000);
}

TEST(ProgramStart, AFailedStartUpShowsTheMessageAndNoWindow)
{
    TestWorkspace ws;
    ws.makeDir(s("companies/companies.dat")); // a list file that cannot be read
    FakePrompts prompts;
    TSplashFrm splash;
    splash.show();
    auto window = ZentrelProgram::start(ws.path(), splash, &prompts, ws.settingsFile());
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(splash.timerFired());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Unable to initialize Zentrel!")});
}

TEST(ProgramStart, SplashClosesWhenTheWindowIsFirstShown)
{
    TestWorkspace ws;
    FakePrompts prompts;
    TSplashFrm splash;
    splash.show();
    auto window = ZentrelProgram::start(ws.path(), splash, &prompts, ws.settingsFile());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(splash.timerFired());
    EXPECT_TRUE(splash.isVisible());
    window->show();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(prompts.shown.isEmpty());
}
