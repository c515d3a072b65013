#include "reports/ReportBrowser.h"

#include "QtPrinters.h"
#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

using Level = ReportBrowser::Level;
using Outcome = ReportBrowser::Outcome;

// A reports directory with runs of two applications.
struct Reports {
    TestWorkspace ws;
    FakePrompts prompts;

    Reports()
    {
        run("Tool", "2026-03-07-09-05-02-417");
        run("Tool", "2026-03-08-10-00-00-05");
        run("editor", "2026-01-02-03-04-05-600");
    }
    QString dir() const { return ws.file(s("reports/")); }
    void run(const char* app, const char* stamp) const
    {
        ws.write(s("reports/%1/%2/MainReport.htm").arg(s(app), s(stamp)), "<html></html>\r\n");
        ws.write(s("reports/%1/%2/Alpha _FTP.htm").arg(s(app), s(stamp)), "<html></html>\r\n");
    }
    bool exists(const char* relative) const { return ws.exists(s("reports/") + s(relative)); }
};

void selectName(ReportBrowser& browser, const char* name)
{
    browser.select(int(browser.entries().indexOf(s(name))));
    ASSERT_GE(browser.selected(), 0) << name;
}

} // namespace

TEST(ReportBrowser, ListsRealFoldersOnlyInOrderIgnoringCase)
{
    Reports r;
    r.ws.makeDir(s("reports/beta"));
    r.ws.makeDir(s("reports/.hidden"));
    r.ws.makeDir(s("reports/locked"));
    QFile::setPermissions(r.ws.file(s("reports/locked")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    r.ws.write(s("reports/loose.htm"), "x");
    r.ws.makeDir(s("elsewhere"));
    QFile::link(r.ws.file(s("elsewhere")), r.ws.file(s("reports/linked")));

    ReportBrowser browser(r.prompts, r.dir());
    EXPECT_EQ(browser.entries(), (QStringList{s("beta"), s("editor"), s("Tool")}));
    EXPECT_EQ(browser.selected(), 0);
    EXPECT_EQ(browser.level(), Level::Applications);
    EXPECT_FALSE(browser.upEnabled());
    EXPECT_FALSE(browser.nothingFound());
    EXPECT_TRUE(r.prompts.shown.isEmpty());

    TestWorkspace empty;
    empty.write(s("reports/only-a-file.htm"), "x");
    EXPECT_TRUE(ReportBrowser(r.prompts, empty.file(s("reports/"))).nothingFound());
    EXPECT_TRUE(ReportBrowser(r.prompts, empty.file(s("no-such-dir/"))).nothingFound());
}

TEST(ReportBrowser, GoWalksDownToTheRunsAndOpensTheSelectedMainReport)
{
    Reports r;
    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Tool");
    EXPECT_EQ(browser.go(), Outcome::Stay);
    EXPECT_EQ(browser.level(), Level::Runs);
    EXPECT_TRUE(browser.upEnabled());
    EXPECT_EQ(browser.selectedApplication(), s("Tool"));
    EXPECT_EQ(browser.entries(), (QStringList{s("2026-03-07-09-05-02-417"), s("2026-03-08-10-00-00-05")}));
    EXPECT_EQ(browser.selected(), 0);

    browser.select(1);
    EXPECT_EQ(browser.go(), Outcome::Close);
    EXPECT_EQ(r.prompts.shown,
              QStringList{s("openUrl: ")
                          + QUrl::fromLocalFile(r.dir() + s("Tool/2026-03-08-10-00-00-05/MainReport.htm"))
                                .toString(QUrl::FullyEncoded)});

    // A browser that cannot be started leaves the dialog open at the same place.
    r.prompts.shown.clear();
    r.prompts.openUrlResult = false;
    EXPECT_EQ(browser.go(), Outcome::Stay);
    EXPECT_EQ(r.prompts.shown.last(), s("error: Couldn't launch default browser"));
    EXPECT_EQ(browser.level(), Level::Runs);

    browser.up();
    EXPECT_EQ(browser.level(), Level::Applications);
    EXPECT_FALSE(browser.upEnabled());
    EXPECT_EQ(browser.entries(), (QStringList{s("editor"), s("Tool")}));
    EXPECT_EQ(browser.selected(), 0);
}

TEST(ReportBrowser, ApplicationWithoutRunsSaysNoReportsFoundAndStaysAtTheApplications)
{
    Reports r;
    r.ws.makeDir(s("reports/Empty"));
    r.ws.write(s("reports/Empty/loose.htm"), "x");
    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Empty");
    EXPECT_EQ(browser.go(), Outcome::Stay);
    EXPECT_EQ(r.prompts.shown, QStringList{s("info: No Reports Found")});
    EXPECT_EQ(browser.level(), Level::Applications);
    EXPECT_FALSE(browser.upEnabled());
    EXPECT_EQ(browser.entries(), (QStringList{s("editor"), s("Empty"), s("Tool")}));
}

TEST(ReportBrowser, WithoutASelectionGoAndDeleteDoNothing)
{
    Reports r;
    ReportBrowser browser(r.prompts, r.dir());
    browser.select(-1);
    EXPECT_EQ(browser.go(), Outcome::Stay);
    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    browser.select(7);
    EXPECT_EQ(browser.selected(), -1);
    EXPECT_EQ(browser.go(), Outcome::Stay);
    EXPECT_TRUE(r.prompts.shown.isEmpty());
    EXPECT_EQ(browser.level(), Level::Applications);
    EXPECT_TRUE(r.exists("Tool/2026-03-07-09-05-02-417/MainReport.htm"));
}

TEST(ReportBrowser, DeletingRunsAsksFirstAndAfterTheLastOneReturnsToTheApplications)
{
    Reports r;
    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Tool");
    browser.go();

    r.prompts.confirmAnswers = {false};
    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    EXPECT_EQ(r.prompts.shown, (QStringList{s("beep"), s("confirm: Delete the selected report?")}));
    EXPECT_TRUE(r.exists("Tool/2026-03-07-09-05-02-417/MainReport.htm"));

    r.prompts.confirmAnswers = {true, true};
    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    EXPECT_FALSE(r.exists("Tool/2026-03-07-09-05-02-417"));
    EXPECT_EQ(browser.level(), Level::Runs);
    EXPECT_EQ(browser.entries(), QStringList{s("2026-03-08-10-00-00-05")});
    EXPECT_EQ(browser.selected(), 0);

    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    EXPECT_FALSE(r.exists("Tool/2026-03-08-10-00-00-05"));
    EXPECT_EQ(browser.level(), Level::Applications);
    EXPECT_FALSE(browser.upEnabled());
    // The application's empty folder is still there and listed.
    EXPECT_EQ(browser.entries(), (QStringList{s("editor"), s("Tool")}));
}

TEST(ReportBrowser, DeletingAnApplicationRemovesAllItsRunsAndTheLastOneClosesTheDialog)
{
    Reports r;
    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Tool");
    r.prompts.confirmAnswers = {false, true, true};
    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    EXPECT_TRUE(r.exists("Tool"));
    EXPECT_EQ(r.prompts.shown, (QStringList{s("beep"), s("confirm: Delete all reports for selected site?")}));

    EXPECT_EQ(browser.deleteSelected(), Outcome::Stay);
    EXPECT_FALSE(r.exists("Tool"));
    EXPECT_EQ(browser.entries(), QStringList{s("editor")});
    EXPECT_EQ(browser.selected(), 0);

    EXPECT_EQ(browser.deleteSelected(), Outcome::Close);
    EXPECT_TRUE(browser.entries().isEmpty());
    EXPECT_TRUE(QDir(r.dir()).isEmpty());
}

TEST(ReportBrowser, DeleteRemovesLinksAsLinksAndNothingOutsideTheReports)
{
    Reports r;
    r.ws.write(s("outside/keep.txt"), "keep");
    r.ws.write(s("outside/dir/inner.txt"), "keep");
    const QString run = s("Tool/2026-03-07-09-05-02-417/");
    QFile::link(r.ws.file(s("outside/keep.txt")), r.dir() + run + s("file-link.htm"));
    QFile::link(r.ws.file(s("outside/dir")), r.dir() + run + s("dir-link"));
    QFile::link(r.ws.file(s("outside/gone")), r.dir() + run + s("dangling"));
    r.ws.write(s("reports/") + run + s(".hidden"), "x");
    // A run folder with a folder of its own inside keeps that folder and stays listed.
    r.ws.write(s("reports/Tool/2026-03-08-10-00-00-05/sub/kept.htm"), "x");

    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Tool");
    r.prompts.confirmAnswers = {true, true};
    browser.deleteSelected();

    EXPECT_FALSE(r.exists("Tool/2026-03-07-09-05-02-417"));
    EXPECT_FALSE(QFileInfo(r.dir() + run + s("dir-link")).isSymLink());
    EXPECT_EQ(r.ws.read(s("outside/keep.txt")), QByteArray("keep"));
    EXPECT_EQ(r.ws.read(s("outside/dir/inner.txt")), QByteArray("keep"));
    EXPECT_TRUE(r.exists("Tool/2026-03-08-10-00-00-05/sub/kept.htm"));
    EXPECT_FALSE(r.exists("Tool/2026-03-08-10-00-00-05/MainReport.htm"));
    EXPECT_EQ(browser.entries(), (QStringList{s("editor"), s("Tool")}));

    // An application folder that became a link after it was listed goes as a link.
    r.ws.write(s("outside/app/2026-01-01-00-00-00-00/MainReport.htm"), "keep");
    QDir(r.dir() + s("editor")).removeRecursively();
    QFile::link(r.ws.file(s("outside/app")), r.dir() + s("editor"));
    browser.select(0);
    browser.deleteSelected();
    EXPECT_FALSE(QFileInfo(r.dir() + s("editor")).isSymLink());
    EXPECT_EQ(r.ws.read(s("outside/app/2026-01-01-00-00-00-00/MainReport.htm")), QByteArray("keep"));
    EXPECT_EQ(browser.entries(), QStringList{s("Tool")});
}

TEST(ReportBrowser, DeletingARunNeverGoesThroughAnApplicationFolderTurnedLink)
{
    Reports r;
    ReportBrowser browser(r.prompts, r.dir());
    selectName(browser, "Tool");
    browser.go();
    ASSERT_EQ(browser.level(), Level::Runs);
    selectName(browser, "2026-03-07-09-05-02-417");
    // Between the listing and the delete, the folder is swapped for a link elsewhere.
    r.ws.write(s("outside/2026-03-07-09-05-02-417/MainReport.htm"), "keep");
    QDir(r.dir() + s("Tool")).removeRecursively();
    ASSERT_TRUE(QFile::link(r.ws.file(s("outside")), r.dir() + s("Tool")));
    r.prompts.confirmAnswers = {true};
    browser.deleteSelected();
    EXPECT_EQ(r.ws.read(s("outside/2026-03-07-09-05-02-417/MainReport.htm")), QByteArray("keep"));
}
