#include "ModelFixture.h"

using ProgramSettingsTest = ModelFixture;

TEST_F(ProgramSettingsTest, FirstStartWithoutSettingsGivesEveryDefault)
{
    start();
    const ProgramSettings& s = model->settings();
    EXPECT_TRUE(s.smtp.isEmpty() && s.email.isEmpty() && s.name.isEmpty());
    EXPECT_FALSE(s.hasProxy());
    EXPECT_EQ(s.proxyAddress(), QString());
    EXPECT_EQ(s.port, QStringLiteral("80"));
    EXPECT_EQ(s.ftpRetries, 3);
    EXPECT_EQ(s.httpTimeOut, 60);
    EXPECT_FALSE(s.useGridLines);
    EXPECT_TRUE(s.showHints);
    EXPECT_TRUE(s.resetToNoPost);
    EXPECT_FALSE(s.ftpPassiveMode);
    EXPECT_FALSE(ws.exists(QStringLiteral("settings.dat")));
}

TEST_F(ProgramSettingsTest, ProxyNeedsFourCharactersAndNumbersFallBack)
{
    ws.write(s("settings.dat"), "[SETTINGS]\r\nPROXY=abc\r\nFTPRetries=x\r\nHTTPTimeOut=0x1E\r\n");
    start();
    EXPECT_FALSE(model->settings().hasProxy());
    EXPECT_EQ(model->settings().ftpRetries, 3);
    EXPECT_EQ(model->settings().httpTimeOut, 30);

    ws.write(s("settings.dat"), "[SETTINGS]\r\nPROXY=a.bc\r\n");
    start();
    EXPECT_EQ(model->settings().proxyAddress(), s("a.bc:80"));
}

TEST_F(ProgramSettingsTest, GridLinesSwitchWritesOnlyItsKey)
{
    const QByteArray before = "[SETTINGS]\r\nSMTP=mail.example\r\nUseGridLines=0\r\nShowHints=0\r\n";
    ws.write(s("settings.dat"), before);
    start();
    model->settings().setUseGridLines(model->settingsFile(), true);
    EXPECT_TRUE(model->settings().useGridLines);
    QByteArray expected = before;
    expected.replace("UseGridLines=0", "UseGridLines=1");
    EXPECT_EQ(ws.read(s("settings.dat")), expected);
}
