// The run's mail step on an encrypted, signed-in connection, with the
// settings' user, password, "Require encryption" and TLSExtraCA.
#include "RunFixture.h"

#include "net/TlsSupport.h"

#include <QDirIterator>

namespace {

using Outcome = SubmissionRun::Outcome;

const QByteArray Password = "Pa55-w0rd!x";

} // namespace

class EmailTlsPostingTest : public RunFixture {
protected:
    void TearDown() override
    {
        RunFixture::TearDown();
        Tls::setExtraCaFile(QString());
    }

    // A mail server with the certificate of the kind, offering STARTTLS and
    // taking the one user; the settings name it with the sign-in and the demand.
    void startSecureMailServer(const char* kind)
    {
        const TestCertificates& certs = TestCertificates::get();
        ASSERT_TRUE(certs.made());
        mailServer.reset();
        startMailServer({s("--cert"), certs.path(s(kind) + u".pem"), s("--key"), certs.path(s(kind) + u".key"),
                         s("--starttls"), s("--auth-required"), s("--user"), s("me@acme.test"), s("--password"),
                         QString::fromLatin1(Password)});
        writeSettings("SMTP=" + mailServer->address().toLatin1()
                      + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\nSMTP User Name=me@acme.test\r\n"
                        "SMTP Password="
                      + Password + "\r\nRequire encryption=1\r\nTLSExtraCA=" + certs.ca().toLocal8Bit() + "\r\n");
        addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\n");
        ws.write(s("sites/Mail Site EMAIL_NEW.scp"), "Program: %APPNAME%\r\n");
    }

    // Every file of the workspace but settings.dat that holds the password.
    QStringList filesWithThePassword() const
    {
        QStringList found;
        const QByteArray encoded = Password.toBase64();
        for (QDirIterator it(ws.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            if (QFileInfo(path).canonicalFilePath() == QFileInfo(ws.file(s("settings.dat"))).canonicalFilePath())
                continue;
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                if (bytes.contains(Password) || bytes.contains(encoded))
                    found << path;
            }
        }
        return found;
    }
};

TEST_F(EmailTlsPostingTest, TheSiteMailGoesEncryptedAndSignedInAndThePasswordIsWrittenNowhereElse)
{
    startSecureMailServer("server");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    ASSERT_EQ(mailServer->messageCount(), 1) << qPrintable(log().join(u'\n'));
    EXPECT_EQ(mailServer->envelope(1)[u"rcpt_tos"].toVariant().toStringList(), QStringList{s("submit@mail.test")});
    EXPECT_TRUE(logged(s("Mail Site E-Mailed Information.")));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 0));
    EXPECT_EQ(filesWithThePassword().join(u' ').toStdString(), std::string());
    EXPECT_FALSE(log().join(u'\n').contains(QString::fromLatin1(Password)));
}

TEST_F(EmailTlsPostingTest, ACertificateThatFailsTheCheckFailsTheSiteWithTheReasonAndTheRunGoesOn)
{
    startSecureMailServer("expired");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(mailServer->messageCount(), 0);
    EXPECT_TRUE(logged(s("Mail Site EMail ERROR!!!")) || logged(s("SMTP Error"))) << qPrintable(log().join(u'\n'));
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
    EXPECT_EQ(row("Mail Site").submit, s("New"));
    const QByteArray page = runFile(s("Mail Site _EMAIL.htm"));
    EXPECT_TRUE(page.contains("TLS: certificate has expired (127.0.0.1)")) << page.constData();
    EXPECT_EQ(filesWithThePassword().join(u' ').toStdString(), std::string());
}
