#include "RunFixture.h"

#include "net/TlsSupport.h"

#include <QDir>
#include <QDirIterator>

namespace {

using Outcome = SubmissionRun::Outcome;

const QByteArray Program = QByteArray("MZ\r\n\0\x01\xff encrypted\n body\r\n", 26).repeated(4000);
const char* const MailUser = "mailer";
const char* const MailPassword = "s3cret=;pass word";

} // namespace

// One run posting to three sites that take nothing but encrypted connections:
// an HTTPS form, a mail server demanding STARTTLS and a sign-in, an FTP server
// demanding TLS on control and data connections. Every server is a real one,
// its certificate signed by the test authority that TLSExtraCA names.
class EncryptedRunTest : public RunFixture {
protected:
    std::unique_ptr<FtpTestServer> ftpServer;

    void SetUp() override
    {
        RunFixture::SetUp();
        ASSERT_TRUE(Tls::available());
        ASSERT_TRUE(TestCertificates::get().made());
        ws.write(s("dist/mytool-setup.exe"), Program);
        ws.write(s("data/My Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\n8CHAR=MYTOOL12\r\nVERSION=2.1\r\n"
                                        "FILENAME=mytool-setup.exe\r\nPLATFORM=Windows 95\r\nDSTATUS=Author\r\n"
                                        "STATUS=Shareware\r\nPATH="
                                            + ws.file(s("dist/mytool-setup.exe")).toLocal8Bit() + "\r\n");
    }
    void TearDown() override
    {
        RunFixture::TearDown();
        Tls::setExtraCaFile(QString());
    }

    static QString cert(const QString& kind, const char* ext) { return TestCertificates::get().path(kind + s(ext)); }

    // The three servers, each with the certificate of `kind` ("server", "expired", ...).
    void startServers(const QString& kind)
    {
        server = std::make_unique<HttpTestServer>(QString(), QStringList{s("--tls"), cert(kind, ".pem"), cert(kind, ".key")});
        ASSERT_TRUE(server->started());
        mailServer = std::make_unique<SmtpTestServer>(
            QStringList{s("--cert"), cert(kind, ".pem"), s("--key"), cert(kind, ".key"), s("--starttls"), s("--user"),
                        s(MailUser), s("--password"), s(MailPassword)});
        ASSERT_TRUE(mailServer->started());
        ftpServer = std::make_unique<FtpTestServer>(
            QStringList{s("--tls"), cert(kind, ".pem"), cert(kind, ".key"), s("--tls-required")});
        ASSERT_TRUE(ftpServer->started());
        QDir().mkpath(ftpServer->filePath(s("incoming")));

        writeSettings("SMTP=" + mailServer->address().toLatin1()
                      + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=10\r\nFTPRetries=0\r\nFTPPassiveMode=1\r\n"
                        "SMTP User Name="
                      + MailUser + "\r\nSMTP Password=" + MailPassword + "\r\nRequire encryption=1\r\nTLSExtraCA="
                      + TestCertificates::get().ca().toLocal8Bit() + "\r\n");

        addSite("Secure Form",
                "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=https://127.0.0.1:" + QByteArray::number(server->port())
                    + "/submit\r\n",
                "name=%APPNAME%&version=%APPVERSION%");
        addSite("Secure Mail", "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\n");
        ws.write(s("sites/Secure Mail EMAIL_NEW.scp"), "Program: %APPNAME% %APPVERSION%\r\n");
        addSite("Secure Ftp", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=" + ftpServer->address().toLatin1()
                                  + "\r\nLOGIN_NAME=" + ftpServer->user().toLatin1() + "\r\nLOGIN_PASSWORD="
                                  + ftpServer->password().toLatin1() + "\r\nREMOTE_PATH=incoming/\r\nFTP_TLS=2\r\n");
        QByteArray rows;
        for (const char* site : {"Secure Form", "Secure Mail", "Secure Ftp"})
            rows += line({site, "New", "N/A", "N/A", "Unknown", "Y"});
        ws.write(s("data/My Tool_SITES.dat"), rows);
    }

    // Every file under the workspace that holds `needle`, by path relative to it.
    QStringList filesHolding(const QByteArray& needle) const
    {
        QStringList found;
        QDirIterator it(ws.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(needle))
                found << QDir(ws.path()).relativeFilePath(path);
        }
        return found;
    }
};

TEST_F(EncryptedRunTest, OneRunPostsToAnHttpsFormAStartTlsMailServerAndAnFtpsServer)
{
    startServers(s("server"));
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(reportedCounts(), std::make_pair(3, 0)) << log().join(u'\n').toStdString();
    for (const char* site : {"Secure Form", "Secure Mail", "Secure Ftp"})
        EXPECT_EQ(row(site).submit, s("Update")) << site;

    // The form arrived whole, in origin form, naming its host.
    const QByteArray request = server->recorded();
    EXPECT_TRUE(request.startsWith("POST /submit HTTP/1.1\r\n")) << request.constData();
    EXPECT_TRUE(request.contains(QByteArray("\r\nHost: 127.0.0.1:" + QByteArray::number(server->port()) + "\r\n")));
    EXPECT_TRUE(request.contains("My")) << request.constData();

    // The mail came after the sign-in, with its text.
    ASSERT_EQ(mailServer->messageCount(), 1);
    EXPECT_TRUE(mailServer->message(1).contains("Program: My Tool 2.1")) << mailServer->message(1).constData();
    EXPECT_EQ(mailServer->envelope(1)[u"mail_from"].toString(), s("me@acme.test"));

    // The program went byte for byte over an encrypted control and data connection.
    QFile uploaded(ftpServer->filePath(s("incoming/mytool-setup.exe")));
    ASSERT_TRUE(uploaded.open(QIODevice::ReadOnly)) << ftpServer->commands().join(u'\n').toStdString();
    EXPECT_EQ(uploaded.readAll(), Program);
    const QStringList commands = ftpServer->commands();
    const qsizetype auth = commands.indexOf(s("AUTH TLS"));
    ASSERT_GE(auth, 0) << commands.join(u'\n').toStdString();
    EXPECT_LT(auth, commands.indexOf(s("USER zentrel")));
    EXPECT_GE(commands.indexOf(s("PROT P")), 0);
    const QByteArray ftpPage = runFile(s("Secure Ftp _FTP.htm"));
    EXPECT_TRUE(ftpPage.contains("CLIENT: AUTH TLS")) << ftpPage.constData();
    EXPECT_TRUE(ftpPage.contains("CLIENT: PASS ********"));

    // The mail password lives in settings.dat and nowhere else: no log, no report page.
    EXPECT_EQ(filesHolding(MailPassword), QStringList{s("settings.dat")});
    EXPECT_EQ(filesHolding(QByteArray(MailPassword).toBase64()), QStringList{});
    const QByteArray auth64 = QByteArray("\0mailer\0", 8).append(MailPassword).toBase64();
    EXPECT_EQ(filesHolding(auth64), QStringList{});
}

TEST_F(EncryptedRunTest, AnExpiredCertificateFailsEachSiteWithItsReasonAndTheRunGoesOn)
{
    startServers(s("expired"));
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(reportedCounts(), std::make_pair(0, 3)) << log().join(u'\n').toStdString();
    const QString reason = s("TLS: certificate has expired (127.0.0.1)");
    const QString all = log().join(u'\n');
    EXPECT_GE(all.count(reason), 2) << all.toStdString();
    EXPECT_TRUE(runFile(s("Secure Ftp _FTP.htm")).contains(reason.toLatin1()));

    // Nothing went in plain text after the failed handshakes.
    EXPECT_TRUE(server->recorded().isEmpty()) << server->recorded().constData();
    EXPECT_EQ(mailServer->messageCount(), 0);
    EXPECT_EQ(ftpServer->commands().indexOf(s("USER zentrel")), -1) << ftpServer->commands().join(u'\n').toStdString();
}
