#include "ModelFixture.h"

#include "net/TlsSupport.h"

#include <QFile>

#include <sys/stat.h>

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

namespace {

// The permission bits of a file, as "ls -l" shows them in octal.
int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

TEST_F(ProgramSettingsTest, ANewSettingsFileRequiresEncryptionAndOnlyItsOwnerReadsIt)
{
    start();
    EXPECT_TRUE(model->settings().requireEncryption) << "the file the program will make has it on";
    // Closing the window makes the file; that first write says encryption is required.
    model->settings().lastAppLoaded = s("Tool");
    model->settings().saveLastAppLoaded(model->settingsFile());
    EXPECT_EQ(ws.read(s("settings.dat")), QByteArray("[SETTINGS]\r\nLastAppLoaded=Tool\r\nRequire encryption=1\r\n"));
    EXPECT_EQ(modeOf(ws.file(s("settings.dat"))), 0600);
    start();
    EXPECT_TRUE(model->settings().requireEncryption);
}

TEST_F(ProgramSettingsTest, AnOlderSettingsFileKeepsPlainMailAndIsNarrowedAtItsNextSave)
{
    const QByteArray before = "[SETTINGS]\r\nSMTP=mail.example\r\nUseGridLines=0\r\n";
    ws.write(s("settings.dat"), before);
    ASSERT_TRUE(QFile::setPermissions(ws.file(s("settings.dat")), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                       | QFileDevice::ReadGroup
                                                                       | QFileDevice::ReadOther));
    start();
    EXPECT_FALSE(model->settings().requireEncryption);
    model->settings().setUseGridLines(model->settingsFile(), true);
    QByteArray expected = before;
    expected.replace("UseGridLines=0", "UseGridLines=1");
    EXPECT_EQ(ws.read(s("settings.dat")), expected) << "no key is added to a file the user already has";
    EXPECT_EQ(modeOf(ws.file(s("settings.dat"))), 0600);
}

TEST_F(ProgramSettingsTest, SignInValuesRoundTripWithTheCharactersAProfileLineCouldLose)
{
    ws.write(s("settings.dat"), "[SETTINGS]\r\nSMTP=mail.example:587\r\n");
    start();
    ProgramSettings& settings = model->settings();
    const QStringList passwords = {s("a=b;c d#e[f]"), s("  two blanks each side  "), s("\"quoted\""),
                                   s("'single'"), s("\"only the front"), QStringLiteral(u"Gr\u00fc\u00dfe\u00e9"),
                                   s("\t"), s("=")};
    for (const QString& password : passwords) {
        settings.smtpUserName = s(" user@example.net");
        settings.smtpPassword = password;
        settings.proxyPassword = password;
        settings.requireEncryption = true;
        settings.saveDialogValues(model->settingsFile());
        ProgramSettings read;
        read.load(model->settingsFile());
        EXPECT_EQ(read.smtpPassword, password);
        EXPECT_EQ(read.proxyPassword, password) << "the proxy's password is kept as exactly";
        EXPECT_EQ(read.smtpUserName, s(" user@example.net"));
        EXPECT_TRUE(read.requireEncryption);
        EXPECT_EQ(read.smtp, s("mail.example:587"));
    }
    EXPECT_EQ(modeOf(ws.file(s("settings.dat"))), 0600);

    // What the file cannot hold is told, not stored changed.
    EXPECT_TRUE(ProgramSettings::unstorableReason(passwords.join(QString())).isEmpty());
    EXPECT_EQ(ProgramSettings::unstorableReason(QStringLiteral(u"pass\u20ac")),
              QStringLiteral(u"it holds the character \"\u20ac\", which settings.dat cannot store"));
    EXPECT_EQ(ProgramSettings::unstorableReason(QStringLiteral(u"a\U0001F600")),
              QStringLiteral(u"it holds the character \"\U0001F600\", which settings.dat cannot store"));
    EXPECT_EQ(ProgramSettings::unstorableReason(s("a\nb")), s("it holds a line break"));
    EXPECT_FALSE(ProgramSettings::unstorableReason(QString(1024, u'x')).isEmpty());
    EXPECT_TRUE(ProgramSettings::unstorableReason(QString(1023, u'x')).isEmpty());
}

TEST_F(ProgramSettingsTest, TlsExtraCaIsReadBesideTheSettingsNeverWrittenAndTrustedByConnections)
{
    ws.write(s("settings.dat"), "[SETTINGS]\r\nTLSExtraCA=certs/private-ca.pem\r\n");
    start();
    EXPECT_EQ(model->settings().tlsExtraCa, ws.file(s("certs/private-ca.pem")));
    EXPECT_EQ(Tls::extraCaFile(), ws.file(s("certs/private-ca.pem")));
    model->settings().saveDialogValues(model->settingsFile());
    model->settings().saveLastAppLoaded(model->settingsFile());
    EXPECT_EQ(ws.read(s("settings.dat")).count("TLSExtraCA"), 1);

    ws.write(s("settings.dat"), "[SETTINGS]\r\nTLSExtraCA= /etc/zentrel/ca.pem \r\n");
    start();
    EXPECT_EQ(Tls::extraCaFile(), s("/etc/zentrel/ca.pem"));
    ws.write(s("settings.dat"), "[SETTINGS]\r\n");
    start();
    EXPECT_EQ(Tls::extraCaFile(), QString()) << "a key taken out is no longer trusted";
}
