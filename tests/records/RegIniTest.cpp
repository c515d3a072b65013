#include "records/TRegIni.h"
#include "records/ZentrelError.h"

#include "../support/TestWorkspace.h"

#include <gtest/gtest.h>

TEST(RegIni, ConversionFlagIsFalseUntilSetAndSurvivesRestart)
{
    TestWorkspace ws;
    {
        TRegIni reg(ws.settingsFile());
        EXPECT_FALSE(reg.ConvertDone());
        reg.SetConvertDone();
        EXPECT_TRUE(reg.ConvertDone());
    }
    EXPECT_TRUE(TRegIni(ws.settingsFile()).ConvertDone());
    EXPECT_TRUE(ws.read(QStringLiteral("user-settings.ini")).contains("Convert210=1"));
}

TEST(RegIni, StoredTextReadsAsProfileInteger)
{
    TestWorkspace ws;
    ws.write(QStringLiteral("a.ini"), "[NewSettings]\nConvert210=0x1\n");
    ws.write(QStringLiteral("b.ini"), "[NewSettings]\nConvert210=yes\n");
    ws.write(QStringLiteral("c.ini"), "[NewSettings]\nConvert210=0\n");
    EXPECT_TRUE(TRegIni(ws.file(QStringLiteral("a.ini"))).ConvertDone());
    EXPECT_FALSE(TRegIni(ws.file(QStringLiteral("b.ini"))).ConvertDone());
    EXPECT_FALSE(TRegIni(ws.file(QStringLiteral("c.ini"))).ConvertDone());
}

TEST(RegIni, UnstorableFlagRaisesFailedToCreateKey)
{
    TestWorkspace ws;
    ws.write(QStringLiteral("plainfile"), "x");
    TRegIni reg(ws.file(QStringLiteral("plainfile/settings.ini")));
    EXPECT_FALSE(reg.ConvertDone());
    try {
        reg.SetConvertDone();
        FAIL();
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Failed to create key NewSettings"));
    }
}
