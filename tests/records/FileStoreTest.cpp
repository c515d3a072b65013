#include "records/ChooserList.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/TGWide.h"
#include "records/TIniFile.h"

#include "../support/TestWorkspace.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// A workspace whose folder guards every write, as the program's does.
class GuardedWorkspace : public WorkspaceOwner {
public:
    TestWorkspace ws;
    TestWorkspace elsewhere; // a folder outside the workspace
    ChooserList companies{ChooserList::Order::Sorted};
    ChooserList applications{ChooserList::Order::Added};
    TGWide workspace{*this, ws.path(), ws.settingsFile()};

    GuardedWorkspace() { workspace.MakeDirectories(); }

    ChooserList& companyChooser() override { return companies; }
    ChooserList& applicationChooser() override { return applications; }
    void loadSelectedCompany() override {}
    void loadSelectedApplication() override {}
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide&) override { return nullptr; }

    void link(const QString& target, const char* linkInWorkspace) const
    {
        ASSERT_TRUE(QFile::link(target, ws.file(s(linkInWorkspace))));
    }
};

template <typename F>
QString errorOf(F&& write)
{
    try {
        write();
    } catch (const ZentrelError& e) {
        return e.text();
    }
    return QString();
}

} // namespace

TEST(FileStore, NoWriteFollowsALinkOutOfTheWorkspace)
{
    GuardedWorkspace g;
    const QByteArray outside = "[APPINFO]\r\nVERSION=outside\r\n";
    g.elsewhere.write(s("victim.dat"), outside);
    g.elsewhere.write(s("victim.lds"), "kept\r\n");
    g.link(g.elsewhere.file(s("victim.dat")), "data/MyApp.dat");
    g.link(g.elsewhere.file(s("victim.lds")), "data/MyApp.lds");
    g.link(g.elsewhere.file(s("not-yet-there.dat")), "data/Dangling.dat");

    const QString profile = g.ws.file(s("data/MyApp.dat"));
    const QString ini = errorOf([&] { TIniFile(profile).WriteString(s("APPINFO"), s("VERSION"), s("2")); });
    EXPECT_TRUE(ini.startsWith(s("Unable to write to ") + profile)) << ini.toStdString();
    EXPECT_TRUE(ini.contains(s("outside"))) << "the message says why";
    const QString list = errorOf([&] { ListFile::save(g.ws.file(s("data/MyApp.lds")), {s("new")}); });
    EXPECT_TRUE(list.startsWith(s("Unable to write to "))) << list.toStdString();
    EXPECT_FALSE(errorOf([&] { ListFile::save(g.ws.file(s("data/Dangling.dat")), {s("x")}); }).isEmpty());

    EXPECT_EQ(g.elsewhere.read(s("victim.dat")), outside);
    EXPECT_EQ(g.elsewhere.read(s("victim.lds")), QByteArray("kept\r\n"));
    EXPECT_FALSE(g.elsewhere.exists(s("not-yet-there.dat")));
    EXPECT_TRUE(QFileInfo(profile).isSymLink()) << "the link itself stays";
}

TEST(FileStore, LinksThatStayInsideTheWorkspaceAreFollowed)
{
    GuardedWorkspace g;
    g.ws.write(s("data/Real.lds"), "old\r\n");
    g.link(g.ws.file(s("data/Real.lds")), "data/Alias.lds");
    g.link(s("../data/Real.lds"), "files/Relative.lds");
    ListFile::save(g.ws.file(s("data/Alias.lds")), {s("through the alias")});
    EXPECT_EQ(g.ws.read(s("data/Real.lds")), QByteArray("through the alias\r\n"));
    ListFile::save(g.ws.file(s("files/Relative.lds")), {s("relative")});
    EXPECT_EQ(g.ws.read(s("data/Real.lds")), QByteArray("relative\r\n"));
}

TEST(FileStore, OnlyTheProgramsWorkspaceIsGuarded)
{
    TestWorkspace a;
    TestWorkspace b;
    a.write(s("target.txt"), "a\r\n");
    ASSERT_TRUE(QFile::link(a.file(s("target.txt")), b.file(s("link.txt"))));
    {
        GuardedWorkspace g;
        EXPECT_FALSE(errorOf([&] { ListFile::save(b.file(s("link.txt")), {s("b")}); }).isEmpty())
            << "a link to a folder outside the workspace is refused";
    }
    // With the workspace gone nothing is guarded, as for any file used outside one.
    ListFile::save(b.file(s("link.txt")), {s("b")});
    EXPECT_EQ(a.read(s("target.txt")), QByteArray("b\r\n"));
}

TEST(FileStore, ProfilesPastTheLimitAreNeitherReadNorRewritten)
{
    TestWorkspace ws;
    QByteArray huge = "[SETTINGS]\r\nK=1\r\n";
    huge += "PAD=" + QByteArray(FileLimits::Profile, 'p') + "\r\n";
    ws.write(s("huge.ini"), huge);
    TIniFile ini(ws.file(s("huge.ini")));
    EXPECT_THROW(ini.ReadString(s("SETTINGS"), s("K"), QString()), FileTooLarge);
    const QString refused = errorOf([&] { ini.WriteString(s("SETTINGS"), s("K"), s("2")); });
    EXPECT_TRUE(refused.startsWith(s("Unable to write to "))) << refused.toStdString();
    EXPECT_TRUE(refused.contains(s("4 MB"))) << refused.toStdString();
    EXPECT_EQ(ws.read(s("huge.ini")), huge) << "nothing of the file is lost";

    // Right at the limit the file is still read.
    QByteArray atLimit = "[SETTINGS]\r\nK=7\r\nPAD=";
    atLimit += QByteArray(FileLimits::Profile - atLimit.size(), 'p');
    ws.write(s("edge.ini"), atLimit);
    EXPECT_EQ(TIniFile(ws.file(s("edge.ini"))).ReadInteger(s("SETTINGS"), s("K"), 0), 7);
}

TEST(FileStore, ListsPastTheirLimitAreNotLoaded)
{
    TestWorkspace ws;
    ws.write(s("big.cat"), QByteArray(FileLimits::CategoryList + 1, 'c'));
    EXPECT_THROW(ListFile::loadIfExists(ws.file(s("big.cat")), FileLimits::CategoryList), FileTooLarge);
    EXPECT_EQ(ListFile::loadIfExists(ws.file(s("big.cat")))->size(), 1) << "no limit asked, none applied";
    EXPECT_FALSE(ListFile::loadIfExists(ws.file(s("missing.cat")), FileLimits::CategoryList));
}
