#include "RunFixture.h"

#include "engines/TEngBuild.h"
#include "records/CompanyRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>

namespace {

using Outcome = SubmissionRun::Outcome;

QStringList fileNames(const QJsonObject& mail)
{
    QStringList names;
    for (const QJsonValue& part : mail[u"parts"].toArray())
        if (!part[u"filename"].isNull())
            names << part[u"filename"].toString();
    return names;
}

QByteArray text(const QJsonObject& mail)
{
    for (const QJsonValue& part : mail[u"parts"].toArray())
        if (part[u"filename"].isNull() && part[u"type"].toString() == u"text/plain")
            return QByteArray::fromBase64(part[u"data"].toString().toLatin1());
    return {};
}

} // namespace

class EmailPostingTest : public RunFixture {
protected:
    void addMailSite(const QByteArray& keys, const QByteArray& script = "Program: %APPNAME%\r\n")
    {
        addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\n" + keys);
        if (!script.isNull())
            ws.write(s("sites/Mail Site EMAIL_NEW.scp"), script);
    }
    void contact(const char* address)
    {
        ws.write(s("companies/Acme.dat"), QByteArray("[COMPANY]\r\nCONAME=Acme\r\nCEMAIL=") + address + "\r\n");
    }
};

TEST_F(EmailPostingTest, TheSiteMailAndItsCopyGoWithTheirOwnSubjectsFootersAndFiles)
{
    startMailServer();
    contact("boss@acme.test");
    addMailSite("EMAIL_SUBJECT=%APPNAME% %APPVERSION%\r\nEMAIL_SEND_COPY=1\r\nEMAIL_ATTACH_APPLICATION=1\r\n"
                "EMAIL_ATTACH_ICO=1\r\nEMAIL_ATTACH_GIF=1\r\n"); // no GIF path: nothing attached for it
    // A script file left locked concerns only sites that send their script as a file.
    ws.makeDir(s("files/zkscript.tmp/locked"));
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    ASSERT_EQ(mailServer->messageCount(), 2);
    const QJsonObject site = readMail(mailServer->messagePath(1));
    const QJsonObject copy = readMail(mailServer->messagePath(2));
    EXPECT_EQ(site[u"defects"].toArray().size(), 0);
    EXPECT_EQ(copy[u"defects"].toArray().size(), 0);
    EXPECT_EQ(mailServer->envelope(1)[u"rcpt_tos"].toVariant().toStringList(), QStringList{s("submit@mail.test")});
    EXPECT_EQ(mailServer->envelope(2)[u"rcpt_tos"].toVariant().toStringList(), QStringList{s("boss@acme.test")});
    EXPECT_EQ(site[u"headers"][u"Subject"][0].toString(), s("My Tool 2.1"));
    EXPECT_EQ(copy[u"headers"][u"Subject"][0].toString(), s("My Tool 2.1 (Mail Site)"));
    EXPECT_EQ(fileNames(site), (QStringList{s("mytool.zip"), s("tool.ico")}));
    EXPECT_EQ(fileNames(copy), QStringList{s("tool.ico")}) << "the copy carries no program archive";
    EXPECT_TRUE(text(site).startsWith("Program: My Tool\r\n\r\n\r\n\r\n\r\n\r\nFor information about Zentrel"))
        << text(site).constData();
    EXPECT_EQ(text(copy), QByteArray("Program: My Tool\r\n")) << "the copy has no footer";

    EXPECT_TRUE(logged(s("Mail Site E-Mailed Information.")));
    EXPECT_TRUE(logged(s("boss@acme.test E-Mailed Copy.")));
    const QByteArray page = runFile(s("Mail Site _EMAIL.htm"));
    for (const char* line : {"Opening SMTP Connection", "Preparing Message", "Sending Message", "Mail Sent",
                             "Closing Connection", "Connection Closed"})
        EXPECT_TRUE(page.contains(line)) << line;
    EXPECT_EQ(model->displays().mailStatus(), s("Idle"));
    EXPECT_FALSE(model->displays().mailProgressVisible());
    EXPECT_EQ(row("Mail Site").submit, s("Update"));
}

TEST_F(EmailPostingTest, ARefusedRecipientOrRefusedDataFailsTheSiteAndSaysWhyOnce)
{
    addMailSite("EMAIL_SEND_COPY=1\r\n");
    for (const bool refuseData : {false, true}) {
        SCOPED_TRACE(refuseData ? "data refused" : "recipient refused");
        mailServer.reset();
        startMailServer(refuseData ? QStringList{s("--refuse-data")}
                                   : QStringList{s("--refuse"), s("submit@mail.test")});
        start();
        EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

        EXPECT_EQ(mailServer->messageCount(), 0);
        EXPECT_EQ(log().filter(s("SMTP Error")).size() + log().filter(s("Address Rejected")).size(), 1)
            << qPrintable(log().join(u'\n'));
        if (!refuseData) {
            EXPECT_TRUE(logged(s("ERROR -> Address Rejected By Server")));
        }
        EXPECT_TRUE(logged(s("Mail Site EMail ERROR!!!")));
        EXPECT_FALSE(log().filter(s("E-Mailed")).size()) << "no copy after a failed mail";
        EXPECT_EQ(model->displays().mailStatus(), s("Idle"));
        EXPECT_EQ(row("Mail Site").submit, s("New"));
        EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
        const QByteArray page = runFile(s("Mail Site _EMAIL.htm"));
        EXPECT_TRUE(page.contains("ERROR -&gt; ")) << page.constData();
    }
}

TEST_F(EmailPostingTest, SkipWhileTheServerStallsCancelsTheMailAndFailsTheSite)
{
    // A server that takes the connection and never greets.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    writeSettings("SMTP=127.0.0.1:" + QByteArray::number(silent.serverPort())
                  + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\n");
    addMailSite({});
    start();
    QTimer::singleShot(300, [this] { run().skipClick(); });
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_TRUE(logged(s("SKIPPED -> Mail Site"))) << qPrintable(log().join(u'\n'));
    EXPECT_TRUE(logged(s("SMTP Error")));
    EXPECT_FALSE(logged(s("Mail Site EMail ERROR!!!"))) << "the error event has said it";
    EXPECT_TRUE(runFile(s("Mail Site _EMAIL.htm")).contains("MailSend Operation Canceled!"));
    EXPECT_EQ(row("Mail Site").submit, s("New"));
}

TEST_F(EmailPostingTest, AScriptMarkedForAttachingGoesAsTheFileThisMailWroteAndAStaleOneFailsTheSite)
{
    startMailServer();
    addMailSite("EMAIL_ATTACH_SCRIPT=1\r\n", "Name=%APPNAME%\xba\r\n");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    ASSERT_EQ(mailServer->messageCount(), 1);
    const QJsonObject mail = readMail(mailServer->messagePath(1));
    EXPECT_EQ(fileNames(mail), QStringList{s("zkscript.tmp")});
    EXPECT_EQ(text(mail), QByteArray()) << "the body goes in the file";
    EXPECT_EQ(ws.read(s("files/zkscript.tmp")), QByteArray("Name=My Tool\xba\r\n"));

    // An old file of that name that cannot be removed must not go instead.
    QFile::remove(ws.file(s("files/zkscript.tmp")));
    ws.makeDir(s("files/zkscript.tmp/locked"));
    list().setCurrentRow(rowOf("Mail Site"));
    list().setSubmitNew(true);
    list().setPost(true);
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(mailServer->messageCount(), 1);
    EXPECT_TRUE(logged(s("Unable to post Email to: Mail Site (cannot delete ") + ws.file(s("files/zkscript.tmp"))
                       + u')'))
        << qPrintable(log().join(u'\n'));
}
