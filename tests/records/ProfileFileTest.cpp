#include "records/TIniFile.h"
#include "records/ZentrelError.h"

#include "../support/TestWorkspace.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

const QString App = QStringLiteral("APPINFO");
const QString Settings = QStringLiteral("SETTINGS");

QString s(const char* text) { return QString::fromLatin1(text); }

} // namespace

TEST(ProfileFile, PaddedAndQuotedValuesAreCleaned)
{
    TestWorkspace ws;
    ws.write(s("a.ini"), "[appinfo]\r\n VERSION =  \"2.1\" \r\nNAME='Tool'\r\nODD=\"half\r\nTAB=\tx\t\r\n");
    TIniFile ini(ws.file(s("a.ini")));
    EXPECT_EQ(ini.ReadString(App, s("version"), s("none")), s("2.1"));
    EXPECT_EQ(ini.ReadString(App, s("name"), s("none")), s("Tool"));
    EXPECT_EQ(ini.ReadString(App, s("ODD"), s("none")), s("\"half"));
    EXPECT_EQ(ini.ReadString(App, s("TAB"), s("none")), s("x"));
    EXPECT_EQ(ini.ReadString(App, s("MISSING"), s("none")), s("none"));
    EXPECT_EQ(ini.ReadString(s("OTHER"), s("VERSION"), s("none")), s("none"));
    EXPECT_EQ(TIniFile(ws.file(s("missing.ini"))).ReadString(App, s("VERSION"), s("d")), s("d"));
}

TEST(ProfileFile, LongValueReadsAsFirst1023Characters)
{
    TestWorkspace ws;
    const QByteArray value(1500, 'v');
    ws.write(s("a.ini"), "[APPINFO]\r\nNOTE=" + value + "\r\n");
    EXPECT_EQ(TIniFile(ws.file(s("a.ini"))).ReadString(App, s("NOTE"), QString()).size(), 1023);
}

TEST(ProfileFile, FirstSectionAndFirstKeyCount)
{
    TestWorkspace ws;
    ws.write(s("a.ini"), "[S]\r\nK=1\r\nK=2\r\n[s]\r\nK=3\r\nL=4\r\n");
    TIniFile ini(ws.file(s("a.ini")));
    EXPECT_EQ(ini.ReadString(s("S"), s("k"), QString()), s("1"));
    EXPECT_EQ(ini.ReadString(s("S"), s("L"), s("none")), s("none"));
    ini.WriteString(s("S"), s("K"), s("9"));
    EXPECT_EQ(ws.read(s("a.ini")), QByteArray("[S]\r\nK=9\r\nK=2\r\n[s]\r\nK=3\r\nL=4\r\n"));
}

TEST(ProfileFile, IntegerAndFlagForms)
{
    TestWorkspace ws;
    ws.write(s("a.ini"),
             "[SETTINGS]\r\nUSE_CAT1=true\r\nUSE_CAT2=2\r\nUSE_X=0x0\r\nHTTPTimeOut=0x1E\r\n"
             "BAD=30s\r\nDOLLAR=$1e\r\nNEG=-42\r\nPLUS=+7\r\nBIG=2147483648\r\nMIN=-2147483648\r\n"
             "HEXBIG=0xFFFFFFFF\r\nEMPTY=\r\nJUSTX=0x\r\n");
    TIniFile ini(ws.file(s("a.ini")));
    EXPECT_FALSE(ini.ReadBool(Settings, s("USE_CAT1"), false));
    EXPECT_TRUE(ini.ReadBool(Settings, s("USE_CAT1"), true));
    EXPECT_TRUE(ini.ReadBool(Settings, s("USE_CAT2"), false));
    EXPECT_FALSE(ini.ReadBool(Settings, s("USE_X"), true));
    EXPECT_EQ(ini.ReadInteger(Settings, s("HTTPTimeOut"), 60), 30);
    EXPECT_EQ(ini.ReadInteger(Settings, s("BAD"), 60), 60);
    EXPECT_EQ(ini.ReadInteger(Settings, s("DOLLAR"), 0), 30);
    EXPECT_EQ(ini.ReadInteger(Settings, s("NEG"), 0), -42);
    EXPECT_EQ(ini.ReadInteger(Settings, s("PLUS"), 0), 7);
    EXPECT_EQ(ini.ReadInteger(Settings, s("BIG"), 5), 5);
    EXPECT_EQ(ini.ReadInteger(Settings, s("MIN"), 5), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger(Settings, s("HEXBIG"), 5), 5);
    EXPECT_EQ(ini.ReadInteger(Settings, s("EMPTY"), 5), 5);
    EXPECT_EQ(ini.ReadInteger(Settings, s("JUSTX"), 5), 5);
}

TEST(ProfileFile, WritesCreateReplaceAndAppendInPlace)
{
    TestWorkspace ws;
    TIniFile ini(ws.file(s("a.ini")));
    ini.WriteString(App, s("PRICE"), s("10"));
    EXPECT_EQ(ws.read(s("a.ini")), QByteArray("[APPINFO]\r\nPRICE=10\r\n"));

    ws.write(s("b.ini"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\n\r\n[OTHER]\r\nX=1\r\n");
    TIniFile b(ws.file(s("b.ini")));
    b.WriteString(App, s("PRICE"), s("19.95"));
    b.WriteString(s("company"), s("coname"), s("Acme Inc"));
    b.WriteInteger(s("OTHER"), s("Y"), -3);
    b.WriteBool(s("NEW"), s("F"), true);
    EXPECT_EQ(b.ReadString(App, s("price"), QString()), s("19.95"));
    EXPECT_EQ(ws.read(s("b.ini")),
              QByteArray("[COMPANY]\r\nconame=Acme Inc\r\n[APPINFO]\r\nNAME=Tool\r\nPRICE=19.95\r\n\r\n"
                         "[OTHER]\r\nX=1\r\nY=-3\r\n[NEW]\r\nF=1\r\n"));
}

TEST(ProfileFile, ValuesWrittenInOrderAsOneWrite)
{
    TestWorkspace ws;
    TIniFile ini(ws.file(s("a.ini")));
    ini.WriteValues(Settings, IniValues().integer(s("A"), 1).string(s("B"), s("x y")).flag(s("C"), false).list());
    EXPECT_EQ(ws.read(s("a.ini")), QByteArray("[SETTINGS]\r\nA=1\r\nB=x y\r\nC=0\r\n"));
    const IniSection section = ini.ReadSection(Settings);
    EXPECT_EQ(section.ReadInteger(s("a"), 0), 1);
    EXPECT_EQ(section.ReadString(s("B"), QString()), s("x y"));
}

TEST(ProfileFile, LineBreakInValueCannotForgeAnotherKey)
{
    TestWorkspace ws;
    TIniFile ini(ws.file(s("a.ini")));
    ini.WriteString(Settings, s("URL"), s("http://x\r\nLOGIN_PASSWORD=stolen"));
    EXPECT_EQ(ini.ReadString(Settings, s("LOGIN_PASSWORD"), s("none")), s("none"));
}

TEST(ProfileFile, EightBitBytesSurviveRoundTrip)
{
    TestWorkspace ws;
    TIniFile ini(ws.file(s("a.ini")));
    const QString value = QString::fromLatin1("caf\xe9 \xb1 \xba");
    ini.WriteString(App, s("DESC"), value);
    EXPECT_EQ(ini.ReadString(App, s("DESC"), QString()), value);
    EXPECT_EQ(ws.read(s("a.ini")), QByteArray("[APPINFO]\r\nDESC=caf\xe9 \xb1 \xba\r\n"));
}

TEST(ProfileFile, FailedWriteRaisesAndLeavesOldFileWhole)
{
    TestWorkspace ws;
    const QByteArray before = "[APPINFO]\r\nNAME=Tool\r\n";
    ws.write(s("a.ini"), before);
    TIniFile ini(ws.file(s("a.ini")));
    try {
        FileSizeLimit limit(30);
        ini.WriteString(App, s("DESC"), QString(200, u'x'));
        FAIL() << "the write should have failed";
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), s("Unable to write to ") + ws.file(s("a.ini")));
    }
    EXPECT_EQ(ws.read(s("a.ini")), before);
    EXPECT_EQ(QDir(ws.path()).entryList(QDir::Files), QStringList{s("a.ini")}) << "no temporary file left";

    TIniFile nowhere(ws.file(s("missing/dir/a.ini")));
    EXPECT_THROW(nowhere.WriteString(App, s("X"), s("1")), ZentrelError);
}

TEST(ProfileFile, HostileFilesNeverCrashOrHang)
{
    TestWorkspace ws;
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char(i * 37 % 256);
    const QByteArray hugeLine = "[SETTINGS]\r\nK=" + QByteArray(3 * 1024 * 1024, 'q');
    const QByteArray withNul = QByteArray("[SETTINGS]\r\nA=1\0B=2\r\nC=3", 24);
    const QByteArray noLineEnd = "[SETTINGS]\rX=7";
    const std::pair<QByteArray, const char*> files[] = {
        {binary, "bin.ini"}, {hugeLine, "huge.ini"}, {withNul, "nul.ini"}, {noLineEnd, "noend.ini"}};
    for (const auto& [bytes, name] : files) {
        ws.write(s(name), bytes);
        TIniFile ini(ws.file(s(name)));
        const QString value = ini.ReadString(Settings, s("K"), s("d"));
        EXPECT_LE(value.size(), 1023);
        ini.WriteString(Settings, s("Z"), s("9"));
        EXPECT_EQ(ini.ReadString(Settings, s("Z"), QString()), s("9")) << name;
    }
    EXPECT_EQ(TIniFile(ws.file(s("huge.ini"))).ReadString(Settings, s("K"), QString()), QString(1023, u'q'));
    EXPECT_EQ(TIniFile(ws.file(s("nul.ini"))).ReadString(Settings, s("C"), QString()), s("3"));
    EXPECT_EQ(TIniFile(ws.file(s("noend.ini"))).ReadInteger(Settings, s("X"), 0), 7);
}
