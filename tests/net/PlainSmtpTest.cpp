// The plain SMTP client against Debian's aiosmtpd (scripts/smtp_test_server.py)
// and against an in-process peer for replies a real server does not give.
#include "net/ESocketError.h"
#include "net/TPlainSMTP.h"

#include "TestServers.h"

#include <QHostInfo>
#include <QJsonArray>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

// How an action ended: "" when it did not fail, else the code and the text.
QString failureOf(TPlainSMTP& smtp, TSmtpActions action)
{
    try {
        smtp.setAction(action);
    } catch (const ESocketError& e) {
        return QString::number(e.number()) + u' ' + e.text();
    }
    return QString();
}

// The request as the upload dialog fills it in: the user's name as the sender.
void fillRequest(TPlainSMTP& smtp)
{
    smtp.setAction(smtpResetHeaders);
    smtp.From = s("Pat Publisher");
    smtp.ReplyTo = s("pat@publisher.test");
    smtp.SendTo << s("upload-info@archive.test");
    smtp.Subject = s("Simtel Upload Request - Widget Pro");
    smtp.MessageText = {s("Application Name:"), s("Widget Pro"), QString(), s("Brief Description:"),
                        s("First line."), s(".dotted line"), s("."), QString(), s("Request processed")};
    smtp.OtherHeaders << s("X-Mailer: Zentrel");
}

TEST(PlainSmtpTest, DeliversTheEnvelopeAndTheMessageAsGiven)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    TPlainSMTP smtp;
    smtp.setTimeOut(10);
    QStringList trail;
    smtp.OnPITrail = [&](TPlainSMTP&, int direction, const QString& message) {
        trail << QString::number(direction) + u' ' + message;
    };
    // "host:port" names the port; MailPort is not used then.
    smtp.setMailServer(server.address());
    smtp.setMailPort(1);
    fillRequest(smtp);
    smtp.Cc << s("Copy Reader <copy@archive.test>");
    smtp.BCc << s("hidden@archive.test");
    ASSERT_EQ(failureOf(smtp, smtpSend), QString());
    ASSERT_EQ(failureOf(smtp, smtpDisconnect), QString());
    EXPECT_FALSE(smtp.isConnected());

    ASSERT_EQ(server.messageCount(), 1);
    const QJsonObject envelope = server.envelope(1);
    // The name alone in From has no mailbox: the reply address stands in.
    EXPECT_EQ(envelope[u"mail_from"].toString(), s("pat@publisher.test"));
    EXPECT_EQ(envelope[u"rcpt_tos"].toArray(),
              (QJsonArray{s("upload-info@archive.test"), s("copy@archive.test"), s("hidden@archive.test")}));
    EXPECT_EQ(envelope[u"helo"].toString(), QHostInfo::localHostName());
    EXPECT_EQ(server.message(1), QByteArray("To: upload-info@archive.test\r\n"
                                            "From: Pat Publisher\r\n"
                                            "Subject: Simtel Upload Request - Widget Pro\r\n"
                                            "Reply-To: pat@publisher.test\r\n"
                                            "Cc: Copy Reader <copy@archive.test>\r\n"
                                            "X-Mailer: Zentrel\r\n"
                                            "\r\n"
                                            "Application Name:\r\nWidget Pro\r\n\r\nBrief Description:\r\n"
                                            "First line.\r\n.dotted line\r\n.\r\n\r\nRequest processed\r\n"));
    EXPECT_EQ(trail.mid(0, 4), (QStringList{s("2 Connecting to mail server."), trail.value(1),
                                            u"0 EHLO " + QHostInfo::localHostName(), trail.value(3)}));
    EXPECT_TRUE(trail.value(1).startsWith(u"1 220 "));
    EXPECT_TRUE(trail.contains(s("0 MAIL FROM:<pat@publisher.test>")));
    EXPECT_TRUE(trail.contains(s("0 RCPT TO:<copy@archive.test>")));
    EXPECT_EQ(trail.last().left(6), s("1 221 "));

    // A mailbox in From is the sender; MailPort serves a plain host name.
    smtp.setMailServer(s("127.0.0.1"));
    smtp.setMailPort(server.port());
    fillRequest(smtp);
    smtp.From = s("Pat Publisher <pat@home.test>");
    smtp.MessageText = {s("Line one\nLine two"), s("..double")};
    ASSERT_EQ(failureOf(smtp, smtpSend), QString());
    ASSERT_EQ(server.messageCount(), 2);
    EXPECT_EQ(server.envelope(2)[u"mail_from"].toString(), s("pat@home.test"));
    EXPECT_TRUE(server.message(2).endsWith("\r\n\r\nLine one\r\nLine two\r\n..double\r\n"));
}

TEST(PlainSmtpTest, ARefusalFailsWithTheReplyLineAndCloses)
{
    SmtpTestServer server({s("--refuse"), s("upload-info@archive.test")});
    ASSERT_TRUE(server.started());
    TPlainSMTP smtp;
    smtp.setTimeOut(10);
    smtp.setMailServer(server.address());
    fillRequest(smtp);
    EXPECT_EQ(failureOf(smtp, smtpSend), s("161 550 5.1.1 <upload-info@archive.test>: Recipient address rejected"));
    EXPECT_FALSE(smtp.isConnected());
    EXPECT_EQ(server.messageCount(), 0);

    // Nothing to send: refused before any connection.
    smtp.setAction(smtpResetHeaders);
    EXPECT_EQ(smtp.From, QString());
    EXPECT_EQ(smtp.OtherHeaders, QStringList());
    EXPECT_TRUE(failureOf(smtp, smtpSend).endsWith(u" Please specify a sender (From)."));
    smtp.From = s("pat@publisher.test");
    smtp.SendTo << QString();
    EXPECT_TRUE(failureOf(smtp, smtpSend).endsWith(u" Please specify a recipient (To)."));
}

TEST(PlainSmtpTest, RefusesLineBreaksInHeadersAndCommands)
{
    FakeSmtpServer fake;
    TPlainSMTP smtp;
    smtp.setTimeOut(5);
    smtp.setMailServer(fake.address());
    fillRequest(smtp);
    smtp.Subject = s("Hello\r\nBcc: victim@elsewhere.test");
    EXPECT_FALSE(failureOf(smtp, smtpSend).isEmpty());
    fillRequest(smtp);
    smtp.OtherHeaders << s("X-Note: a\nRCPT TO:<victim@elsewhere.test>");
    EXPECT_FALSE(failureOf(smtp, smtpSend).isEmpty());
    smtp.Command = s("NOOP\r\nRCPT TO:<victim@elsewhere.test>");
    EXPECT_FALSE(failureOf(smtp, smtpCommand).isEmpty());
    EXPECT_EQ(fake.received(), QByteArray());
}

TEST(PlainSmtpTest, ReadsMultiLineAndPreliminaryReplies)
{
    FakeSmtpServer fake;
    fake.onConnect = [](QTcpSocket& socket) { socket.write("220-first line\r\n220-second line\r\n220 ready\r\n"); };
    fake.onLine = [](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
        if (line == "RSET")
            return "100 hold on\r\n250-almost\r\n250 reset\r\n";
        if (line == "NOOP")
            return "451 try later\r\n";
        return FakeSmtpServer::standardAnswer(socket, line);
    };
    TPlainSMTP smtp;
    smtp.setTimeOut(5);
    smtp.setMailServer(fake.address());
    QStringList replies;
    smtp.OnPITrail = [&](TPlainSMTP&, int direction, const QString& message) {
        if (direction == 1)
            replies << message;
    };
    fillRequest(smtp);
    ASSERT_EQ(failureOf(smtp, smtpSend), QString());
    EXPECT_EQ(replies.mid(0, 8), (QStringList{s("220-first line"), s("220-second line"), s("220 ready"),
                                              s("250 OK"), s("100 hold on"), s("250-almost"), s("250 reset"),
                                              s("250 OK")}));
    EXPECT_TRUE(fake.received().contains("\r\n..dotted line\r\n..\r\n\r\nRequest processed\r\n.\r\n"));

    // A refused command leaves the session open for the next.
    smtp.Command = s("NOOP");
    EXPECT_EQ(failureOf(smtp, smtpCommand), s("161 451 try later"));
    EXPECT_TRUE(smtp.isConnected());
    smtp.Command = s("VRFY someone");
    EXPECT_EQ(failureOf(smtp, smtpCommand), QString());

    // An action started from inside another is refused.
    QString nested;
    smtp.OnPITrail = [&](TPlainSMTP& sender, int, const QString&) {
        if (nested.isEmpty())
            nested = failureOf(sender, smtpResetHeaders);
    };
    EXPECT_EQ(failureOf(smtp, smtpCommand), QString());
    EXPECT_TRUE(nested.endsWith(u" Busy performing current action."));
}

TEST(PlainSmtpTest, EveryWaitEndsAndAFailedQuitStillCloses)
{
    FakeSmtpServer silent;
    silent.onConnect = [](QTcpSocket&) {};
    TPlainSMTP smtp;
    smtp.setTimeOut(1);
    smtp.setMailServer(silent.address());
    fillRequest(smtp);
    EXPECT_EQ(failureOf(smtp, smtpSend), s("57000 Operation timed out"));
    EXPECT_FALSE(smtp.isConnected());

    // A server that never stops its reply.
    FakeSmtpServer endless;
    endless.onConnect = [](QTcpSocket& socket) {
        for (int i = 0; i < 1100; ++i)
            socket.write("220-still greeting\r\n");
    };
    smtp.setMailServer(endless.address());
    EXPECT_EQ(failureOf(smtp, smtpConnect), s("57018 Server reply too long"));

    // QUIT unanswered: the connection is closed anyway.
    FakeSmtpServer mute;
    mute.onLine = [](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
        return line == "QUIT" ? QByteArray() : FakeSmtpServer::standardAnswer(socket, line);
    };
    smtp.setMailServer(mute.address());
    ASSERT_EQ(failureOf(smtp, smtpConnect), QString());
    QStringList information;
    smtp.OnPITrail = [&](TPlainSMTP&, int direction, const QString& message) {
        if (direction == 2)
            information << message;
    };
    EXPECT_EQ(failureOf(smtp, smtpDisconnect), QString());
    EXPECT_EQ(information, QStringList{s("Forcing disconnection from mail server.")});
    EXPECT_FALSE(smtp.isConnected());

    smtp.setMailServer(u"127.0.0.1:" + QString::number(unusedPort()));
    EXPECT_EQ(failureOf(smtp, smtpConnect), s("10061 [10061] Connection refused."));
}

} // namespace
