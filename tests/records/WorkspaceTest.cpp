#include "records/ChooserList.h"
#include "records/ListFile.h"
#include "records/TGWide.h"
#include "records/TRegIni.h"
#include "records/WorkspacePath.h"

#include "../support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

const char* const Directories[] = {"data", "companies", "cat", "sites", "sites/updates",
                                   "files", "reports", "images"};

// Records what the workspace asks of its owner.
class RecordingOwner : public WorkspaceOwner {
public:
    ChooserList companies{ChooserList::Order::Sorted};
    ChooserList applications{ChooserList::Order::Added};
    QStringList calls;

    class Engine : public WorkspaceEngine {
    public:
        explicit Engine(QStringList& calls) : m_calls(calls) {}
        void start() override { m_calls << s("engine start"); }

    private:
        QStringList& m_calls;
    };

    ChooserList& companyChooser() override { return companies; }
    ChooserList& applicationChooser() override { return applications; }
    void loadSelectedCompany() override { calls << s("company ") + companies.currentText(); }
    void loadSelectedApplication() override { calls << s("application ") + applications.currentText(); }
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide&) override
    {
        calls << s("engine created");
        return std::make_unique<Engine>(calls);
    }
};

struct Started {
    RecordingOwner owner;
    std::unique_ptr<TGWide> workspace;
    explicit Started(const TestWorkspace& ws)
    {
        workspace = std::make_unique<TGWide>(owner, ws.path(), ws.settingsFile());
        workspace->StartUp();
    }
};

} // namespace

TEST(Workspace, FirstStartInEmptyFolderMakesTheTreeAndWritesNoList)
{
    TestWorkspace ws;
    Started first(ws);
    for (const char* dir : Directories)
        EXPECT_TRUE(QFileInfo(ws.file(s(dir))).isDir()) << dir;
    EXPECT_EQ(first.workspace->UpdatesDir(), ws.path() + s("sites/updates/"));
    EXPECT_EQ(first.workspace->DataDir(), ws.path() + s("data/"));
    EXPECT_TRUE(first.owner.companies.isEmpty());
    EXPECT_TRUE(first.owner.applications.isEmpty());
    EXPECT_FALSE(ws.exists(s("companies/companies.dat")));
    EXPECT_FALSE(ws.exists(s("data/Applications.dat")));
    EXPECT_TRUE(first.workspace->regIni()->ConvertDone());
    EXPECT_EQ(first.owner.calls, (QStringList{s("engine created"), s("engine start")}));

    // A second start finds every directory and leaves what is in them alone.
    ws.write(s("sites/updates/keep.txt"), "x");
    Started second(ws);
    EXPECT_TRUE(ws.exists(s("sites/updates/keep.txt")));
    EXPECT_EQ(second.owner.calls, (QStringList{s("engine created"), s("engine start")}));
}

TEST(Workspace, StartUpLoadsSortedCompaniesAndApplicationsInOrder)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "beta\r\nAcme\r\nzeta\r\n");
    ws.write(s("data/Applications.dat"), "Zed\r\nAlpha\r\n");
    Started started(ws);
    EXPECT_EQ(started.owner.companies.names(), (QStringList{s("Acme"), s("beta"), s("zeta")}));
    EXPECT_EQ(started.owner.applications.names(), (QStringList{s("Zed"), s("Alpha")}));
    EXPECT_EQ(started.owner.calls, (QStringList{s("engine created"), s("company Acme"),
                                                s("application Zed"), s("engine start")}));
}

TEST(Workspace, EmptyCompanyListLoadsNoCompany)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "");
    Started started(ws);
    EXPECT_TRUE(started.owner.companies.isEmpty());
    EXPECT_FALSE(started.owner.calls.join(u',').contains(s("company")));
}

TEST(Workspace, ConversionMergesOldListsIgnoringCaseOnce)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "B\r\nA\r\nC\r\n");
    ws.write(s("data/A Apps.dat"), "X\r\nY\r\n");
    ws.write(s("data/B Apps.dat"), "y\r\nZ\r\n");
    Started started(ws);
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray("X\r\nY\r\nZ\r\n"));
    EXPECT_FALSE(ws.exists(s("data/A Apps.dat")));
    EXPECT_FALSE(ws.exists(s("data/B Apps.dat")));
    EXPECT_TRUE(started.workspace->regIni()->ConvertDone());
    EXPECT_EQ(started.owner.applications.names(), (QStringList{s("X"), s("Y"), s("Z")}));

    // Once done, a returning old list is left alone.
    ws.write(s("data/A Apps.dat"), "Q\r\n");
    Started again(ws);
    EXPECT_TRUE(ws.exists(s("data/A Apps.dat")));
    EXPECT_EQ(again.owner.applications.names(), (QStringList{s("X"), s("Y"), s("Z")}));
}

TEST(Workspace, ConversionWithoutOldListsLeavesApplicationListAlone)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "A\r\n");
    ws.write(s("data/Applications.dat"), "Kept\r\n");
    Started started(ws);
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray("Kept\r\n"));
    EXPECT_TRUE(started.workspace->regIni()->ConvertDone());
}

TEST(Workspace, FailedConversionKeepsOldListsAndRunsAgain)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "A\r\n");
    ws.write(s("data/A Apps.dat"), "X\r\n");
    ws.makeDir(s("data/Applications.dat")); // cannot be written as a file
    {
        RecordingOwner owner;
        TGWide workspace(owner, ws.path(), ws.settingsFile());
        EXPECT_ANY_THROW(workspace.StartUp());
        EXPECT_FALSE(workspace.regIni()->ConvertDone());
    }
    EXPECT_TRUE(ws.exists(s("data/A Apps.dat")));
    QDir(ws.file(s("data/Applications.dat"))).removeRecursively();
    Started retry(ws);
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray("X\r\n"));
}

TEST(Workspace, DeletingTheOnlyApplicationLeavesAnEmptyList)
{
    TestWorkspace ws;
    ws.write(s("data/Applications.dat"), "Only\r\n");
    {
        Started started(ws);
        started.owner.applications.removeAt(0);
        started.workspace->SaveApplicationList();
    }
    EXPECT_TRUE(ws.exists(s("data/Applications.dat")));
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray());
    Started next(ws);
    EXPECT_TRUE(next.owner.applications.isEmpty());
}

TEST(Workspace, NamesThatWouldLeaveTheirDirectoryArePassedOver)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "../evil\r\n..\r\nGood\r\n.\r\n\r\nsub/dir\r\n");
    ws.write(s("data/Good Apps.dat"), "../../etc/passwd\r\nFine\r\n");
    {
        Started converted(ws);
        EXPECT_EQ(converted.owner.companies.names(), QStringList{s("Good")});
        EXPECT_EQ(converted.owner.applications.names(), QStringList{s("Fine")});
    }
    ws.write(s("data/Applications.dat"), QByteArray("../../x\r\nApp\r\n"));
    Started started(ws);
    EXPECT_EQ(started.owner.applications.names(), QStringList{s("App")});
}

TEST(WorkspacePathRule, NamesMustStayInTheirDirectoryAndFitTheListFiles)
{
    for (const char* good : {"Acme Inc", "My Site!", "a.b", "...", "x\\y"})
        EXPECT_TRUE(WorkspacePath::isSafeName(s(good))) << good;
    for (const char* bad : {"", ".", "..", "a/b", "/abs", "line\nbreak", "cr\rname"})
        EXPECT_FALSE(WorkspacePath::isSafeName(s(bad))) << bad;
    EXPECT_FALSE(WorkspacePath::isSafeName(QString(QChar(u'\0'))));
    EXPECT_TRUE(WorkspacePath::isSafeName(QString::fromLatin1("Caf\xe9")));
    EXPECT_FALSE(WorkspacePath::isSafeName(QStringLiteral("Caf\u20ac"))) << "cannot be stored in 8-bit lists";
}

TEST(WorkspacePathRule, ANameMustLeaveRoomForItsLongestFileName)
{
    // 239 bytes plus the 16 of " HTTP_UPDATE.scp" make the 255 a file name may take.
    EXPECT_TRUE(WorkspacePath::isSafeName(QString(239, u'a')));
    EXPECT_FALSE(WorkspacePath::isSafeName(QString(240, u'a')));
    // An accented letter takes two bytes in a file name.
    EXPECT_TRUE(WorkspacePath::isSafeName(QString(119, QChar(0xE9))));
    EXPECT_FALSE(WorkspacePath::isSafeName(QString(120, QChar(0xE9))));
    const QString message = WorkspacePath::unsafeNameMessage(QString(300, u'x'));
    EXPECT_TRUE(message.contains(s("too long"))) << message.toStdString();
    EXPECT_TRUE(message.contains(s("239"))) << message.toStdString();
    const QString withPercents = WorkspacePath::unsafeNameMessage(s("%2%1") + QString(300, u'x'));
    EXPECT_TRUE(withPercents.contains(s("\"%2%1xxx"))) << "the name is shown as typed";

    // Every file the longest allowed name forms can be made here.
    TestWorkspace ws;
    const QString longest(239, u'n');
    for (const char* suffix : {" HTTP_UPDATE.scp", "_SITES.dat", " Cat2.cat", " _HTTP_reply.htm"}) {
        QFile file(ws.file(longest + s(suffix)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << suffix;
    }
}

TEST(Workspace, ANameTooLongForItsFilesIsPassedOverInTheLists)
{
    TestWorkspace ws;
    const QByteArray tooLong(300, 'L');
    ws.write(s("companies/companies.dat"), tooLong + "\r\nAcme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n" + tooLong + "\r\n");
    Started started(ws);
    EXPECT_EQ(started.owner.companies.names(), QStringList{s("Acme")});
    EXPECT_EQ(started.owner.applications.names(), QStringList{s("Tool")});
}
