#include "records/ListFile.h"
#include "records/ZentrelError.h"

#include "../support/TestWorkspace.h"

#include <gtest/gtest.h>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }
}

TEST(ListFile, LineEndsOfEveryKindAndUnterminatedLastLine)
{
    EXPECT_EQ(ListFile::parse("a\r\nb\r\n"), (QStringList{s("a"), s("b")}));
    EXPECT_EQ(ListFile::parse("a\rb\rc"), (QStringList{s("a"), s("b"), s("c")}));
    EXPECT_EQ(ListFile::parse("a\nb"), (QStringList{s("a"), s("b")}));
    EXPECT_EQ(ListFile::parse("a\r\n\r\nb\r\n"), (QStringList{s("a"), QString(), s("b")}));
    EXPECT_EQ(ListFile::parse("\n\n"), (QStringList{QString(), QString()}));
    EXPECT_EQ(ListFile::parse(""), QStringList());
}

TEST(ListFile, ReadingStopsAtNul)
{
    EXPECT_EQ(ListFile::parse(QByteArray("one\r\ntw\0o\r\nthree", 17)), (QStringList{s("one"), s("tw")}));
}

TEST(ListFile, SaveWritesCrLfAfterEveryLineAndEmptyListWritesEmptyFile)
{
    TestWorkspace ws;
    ListFile::save(ws.file(s("l.dat")), {s("x"), QString(), QString::fromLatin1("\xb1y")});
    EXPECT_EQ(ws.read(s("l.dat")), QByteArray("x\r\n\r\n\xb1y\r\n"));
    EXPECT_EQ(ListFile::load(ws.file(s("l.dat"))), (QStringList{s("x"), QString(), QString::fromLatin1("\xb1y")}));
    ListFile::save(ws.file(s("l.dat")), {});
    EXPECT_TRUE(ws.exists(s("l.dat")));
    EXPECT_EQ(ws.read(s("l.dat")), QByteArray());
}

TEST(ListFile, MissingAndUnwritableFilesRaiseTheirMessages)
{
    TestWorkspace ws;
    const QString missing = ws.file(s("none.dat"));
    EXPECT_FALSE(ListFile::loadIfExists(missing).has_value());
    try {
        ListFile::load(missing);
        FAIL();
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), s("Cannot open file ") + missing);
    }
    const QString nowhere = ws.file(s("no/such/dir/l.dat"));
    try {
        ListFile::save(nowhere, {s("a")});
        FAIL();
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), s("Cannot create file ") + nowhere);
    }
    ws.makeDir(s("adir"));
    EXPECT_THROW(ListFile::loadIfExists(ws.file(s("adir"))), ZentrelError);
}

TEST(ListFile, FailedSaveLeavesOldFileWhole)
{
    TestWorkspace ws;
    ws.write(s("l.dat"), "keep\r\n");
    {
        FileSizeLimit limit(10);
        EXPECT_THROW(ListFile::save(ws.file(s("l.dat")), {QString(100, u'z')}), ZentrelError);
    }
    EXPECT_EQ(ws.read(s("l.dat")), QByteArray("keep\r\n"));
}

TEST(ListFile, HugeUnterminatedLineLoads)
{
    const QByteArray big(10 * 1024 * 1024, 'w');
    const QStringList lines = ListFile::parse(big);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.first().size(), big.size());
}
