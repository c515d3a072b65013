// Both mail clients on encrypted connections: STARTTLS and the sign-in against
// Debian's aiosmtpd (scripts/smtp_test_server.py), implicit TLS, servers with
// bad certificates or that strip STARTTLS, and an in-process peer that
// answers the upgrade as no real server does.
#include "net/ESocketError.h"
#include "net/SmtpSession.h"
#include "net/TPlainSMTP.h"
#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"
#include "net/TlsSupport.h"

#include "TestServers.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

const char* const User = "pat@publisher.test";
const char* const Password = "Kor3-sekr!t";

enum class Client { Component, Plain };

struct Account {
    QString user;
    QString password;
    bool requireEncryption = false;
    int timeOut = 5;
};

struct Outcome {
    // Empty when the mail went.
    QString failure;
    int number = 0;
    // The LogFile of the component, the trail of the plain client.
    QString log;
};

// Sends one short mail through the client of the kind, as a run or a request would.
Outcome sendMail(Client client, const QString& server, const Account& account)
{
    Outcome outcome;
    QTemporaryDir dir;
    const QString logFile = dir.filePath(s("dialogue.log"));
    try {
        if (client == Client::Component) {
            TmsMessage message;
            message.Sender().setAddress(s("pat@publisher.test"));
            message.Recipients().Add(QString(), s("submit@archive.test"));
            message.setSubject(s("Widget Pro 2.0"));
            message.setBody({s("Widget Pro is out."), s(".a dotted line")});
            TmsSMTP smtp;
            smtp.setServer(server);
            smtp.setTimeOut(account.timeOut);
            smtp.setMailMessage(&message);
            smtp.setUserName(account.user);
            smtp.setPassword(account.password);
            smtp.setRequireEncryption(account.requireEncryption);
            smtp.setLogFile(logFile);
            struct ReadLog {
                Outcome& outcome;
                QString path;
                ~ReadLog()
                {
                    QFile file(path);
                    if (file.open(QIODevice::ReadOnly))
                        outcome.log = QString::fromLatin1(file.readAll());
                }
            } readLog{outcome, logFile};
            smtp.Send();
        } else {
            TPlainSMTP smtp;
            smtp.setMailServer(server);
            smtp.setTimeOut(account.timeOut);
            smtp.OnPITrail = [&outcome](TPlainSMTP&, int, const QString& line) { outcome.log += line + u"\r\n"; };
            smtp.setAction(smtpResetHeaders);
            smtp.From = s("Pat Publisher <pat@publisher.test>");
            smtp.SendTo << s("submit@archive.test");
            smtp.Subject = s("Widget Pro 2.0");
            smtp.MessageText = {s("Widget Pro is out."), s(".a dotted line")};
            smtp.UserName = account.user;
            smtp.Password = account.password;
            smtp.RequireEncryption = account.requireEncryption;
            smtp.setAction(smtpSend);
            smtp.setAction(smtpDisconnect);
        }
    } catch (const ESocketError& e) {
        outcome.failure = e.text();
        outcome.number = e.number();
    }
    return outcome;
}

QStringList certificate(const char* kind)
{
    const TestCertificates& certs = TestCertificates::get();
    return {s("--cert"), certs.path(s(kind) + u".pem"), s("--key"), certs.path(s(kind) + u".key")};
}

QStringList withUser(QStringList options)
{
    return options + QStringList{s("--user"), s(User), s("--password"), s(Password)};
}

// Every command line the server read, as "TLS <line>" or "PLAIN <line>".
QStringList commandsOf(const SmtpTestServer& server)
{
    QFile file(QFileInfo(server.messagePath(1)).path() + u"/commands.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

// The command words only, "PLAIN EHLO", "TLS AUTH", one line: the plain
// client's RSET before each mail is left out.
QString verbsOf(const QStringList& commands)
{
    QStringList verbs;
    for (const QString& line : commands) {
        if (!line.endsWith(u" RSET"))
            verbs << line.section(u' ', 0, 1);
    }
    return verbs.join(u", ");
}

// Neither the password nor any Base64 form of it that the sign-in sends.
void expectNoPassword(const QString& text)
{
    EXPECT_FALSE(text.contains(s(Password))) << text.toStdString();
    const QByteArray plain = QByteArray(1, '\0') + User + '\0' + Password;
    EXPECT_FALSE(text.contains(QString::fromLatin1(plain.toBase64()))) << text.toStdString();
    EXPECT_FALSE(text.contains(QString::fromLatin1(QByteArray(Password).toBase64()))) << text.toStdString();
}

class SmtpTlsTest : public ::testing::TestWithParam<Client> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tls::available()) << "Qt has no TLS backend";
        ASSERT_TRUE(TestCertificates::get().made());
        Tls::setExtraCaFile(TestCertificates::get().ca());
    }
    void TearDown() override
    {
        Tls::setExtraCaFile(QString());
        SmtpSession::setImplicitTlsPort(0);
    }
    Client client() const { return GetParam(); }
    Outcome send(const QString& server, const Account& account = {}) { return sendMail(client(), server, account); }
};

} // namespace

TEST_P(SmtpTlsTest, StartTlsAndTheSignInCarryTheMailWithThePasswordMasked)
{
    SmtpTestServer server(withUser(certificate("server") + QStringList{s("--starttls")}));
    ASSERT_TRUE(server.started());
    const Outcome sent = send(server.address(), {s(User), s(Password), true});
    ASSERT_EQ(sent.failure, QString()) << sent.log.toStdString();
    ASSERT_EQ(server.messageCount(), 1);
    EXPECT_TRUE(server.message(1).endsWith("\r\n\r\nWidget Pro is out.\r\n.a dotted line\r\n"))
        << server.message(1).constData();
    EXPECT_EQ(server.envelope(1)[u"mail_from"].toString(), s("pat@publisher.test"));
    // Only EHLO and the upgrade go in plain text; the sign-in follows a second EHLO.
    EXPECT_TRUE(verbsOf(commandsOf(server)).startsWith(s("PLAIN EHLO, PLAIN STARTTLS, TLS EHLO, TLS AUTH, TLS MAIL")))
        << verbsOf(commandsOf(server)).toStdString();
    EXPECT_TRUE(sent.log.contains(s("AUTH PLAIN ********\r\n235"))) << sent.log.toStdString();
    expectNoPassword(sent.log);

    // A server that takes only LOGIN gets each answer on a line of its own, both masked.
    SmtpTestServer loginOnly(withUser(certificate("server") + QStringList{s("--starttls"), s("--auth-only"), s("LOGIN")}));
    ASSERT_TRUE(loginOnly.started());
    const Outcome login = send(loginOnly.address(), {s(User), s(Password), true});
    ASSERT_EQ(login.failure, QString()) << login.log.toStdString();
    EXPECT_EQ(loginOnly.messageCount(), 1);
    EXPECT_TRUE(login.log.contains(QRegularExpression(s("AUTH LOGIN\r\n334 \\S+\r\n\\*{8}\r\n334 \\S+\r\n\\*{8}\r\n235 "))))
        << login.log.toStdString();
    expectNoPassword(login.log);

    // A wrong password is refused with the server's own text, and nothing is sent.
    const Outcome refused = send(server.address(), {s(User), s("guess"), true});
    EXPECT_TRUE(refused.failure.contains(s("535"))) << refused.failure.toStdString();
    EXPECT_EQ(server.messageCount(), 1);
}

TEST_P(SmtpTlsTest, TheImplicitTlsPortIsEncryptedFromTheFirstByte)
{
    SmtpTestServer server(withUser(certificate("server") + QStringList{s("--implicit-tls")}));
    ASSERT_TRUE(server.started());
    SmtpSession::setImplicitTlsPort(server.port());
    // No STARTTLS is offered there, and none is needed for the demand or the password.
    const Outcome sent = send(u"localhost:" + QString::number(server.port()), {s(User), s(Password), true});
    ASSERT_EQ(sent.failure, QString()) << sent.log.toStdString();
    EXPECT_EQ(server.messageCount(), 1);
    EXPECT_TRUE(verbsOf(commandsOf(server)).startsWith(s("TLS EHLO, TLS AUTH, TLS MAIL")))
        << verbsOf(commandsOf(server)).toStdString();
    expectNoPassword(sent.log);
}

TEST_P(SmtpTlsTest, ABadCertificateEndsTheSessionWithTheReasonAndNothingMoreIsSent)
{
    const struct {
        const char* kind;
        const char* failure;
    } cases[] = {
        {"expired", "TLS: certificate has expired (127.0.0.1)"},
        {"wrongname", "TLS: certificate is for another host name (127.0.0.1)"},
        {"selfsigned", "TLS: certificate is self-signed and not trusted (127.0.0.1)"},
    };
    for (const auto& c : cases) {
        SmtpTestServer server(withUser(certificate(c.kind) + QStringList{s("--starttls")}));
        ASSERT_TRUE(server.started());
        const Outcome sent = send(server.address(), {s(User), s(Password), false});
        EXPECT_EQ(sent.failure, s(c.failure)) << c.kind;
        EXPECT_EQ(sent.number, Tls::Failed) << c.kind;
        EXPECT_EQ(verbsOf(commandsOf(server)), s("PLAIN EHLO, PLAIN STARTTLS")) << c.kind;
        EXPECT_EQ(server.messageCount(), 0) << c.kind;
    }
}

TEST_P(SmtpTlsTest, AStrippingServerGetsNothingAfterEhloWhenEncryptionIsNeeded)
{
    // It offers the sign-in in plain text, and no STARTTLS.
    SmtpTestServer server(withUser(certificate("server") + QStringList{s("--hide-starttls")}));
    ASSERT_TRUE(server.started());

    const Outcome required = send(server.address(), {s(User), s(Password), true});
    EXPECT_EQ(required.failure, s("The mail server does not offer encryption"));
    const Outcome password = send(server.address(), {s(User), s(Password), false});
    EXPECT_EQ(password.failure, s("The mail server does not offer encryption; the password is not sent"));
    const Outcome demandOnly = send(server.address(), {QString(), QString(), true});
    EXPECT_EQ(demandOnly.failure, s("The mail server does not offer encryption"));
    // Not even QUIT: the connection simply ends.
    EXPECT_EQ(verbsOf(commandsOf(server)), s("PLAIN EHLO, PLAIN EHLO, PLAIN EHLO"));
    EXPECT_EQ(server.messageCount(), 0);
    expectNoPassword(required.log + password.log);

    // Without the demand and a password the mail goes as it always went.
    const Outcome plain = send(server.address());
    EXPECT_EQ(plain.failure, QString()) << plain.log.toStdString();
    EXPECT_EQ(server.messageCount(), 1);
    EXPECT_FALSE(commandsOf(server).join(u'\n').contains(s("AUTH")));
}

TEST_P(SmtpTlsTest, ABrokenUpgradeFailsClearlyAndSendsNothingMoreInPlainText)
{
    const struct {
        const char* what;
        std::function<QByteArray(QTcpSocket&)> answer;
        const char* failure; // how the text starts
    } cases[] = {
        {"plain text instead of a handshake", [](QTcpSocket&) -> QByteArray { return "220 go ahead\r\nthis is no TLS\r\n"; },
         "TLS: "},
        {"a close in the handshake",
         [](QTcpSocket& socket) -> QByteArray {
             socket.write("220 go ahead\r\n");
             socket.flush();
             socket.disconnectFromHost();
             return {};
         },
         "TLS: "},
        {"no reply at all", [](QTcpSocket&) -> QByteArray { return "go ahead, I guess\r\n"; },
         "TLS: the answer to STARTTLS is no reply: go ahead, I guess (127.0.0.1)"},
        {"silence in the handshake", [](QTcpSocket&) -> QByteArray { return "220 go ahead\r\n"; },
         "Operation timed out"},
    };
    for (const auto& c : cases) {
        FakeSmtpServer server;
        server.onLine = [&c](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
            if (line.startsWith("EHLO "))
                return "250-fake\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n";
            if (line == "STARTTLS")
                return c.answer(socket);
            return FakeSmtpServer::standardAnswer(socket, line);
        };
        const Outcome sent = send(server.address(), {s(User), s(Password), false, 2});
        EXPECT_TRUE(sent.failure.startsWith(s(c.failure))) << c.what << ": " << sent.failure.toStdString();
        // After STARTTLS only a handshake's binary record may have gone out.
        const QByteArray received = server.received();
        const QByteArray after = received.mid(received.indexOf("STARTTLS\r\n") + 10);
        EXPECT_TRUE(received.contains("STARTTLS\r\n")) << c.what;
        EXPECT_TRUE(after.isEmpty() || after.startsWith('\x16')) << c.what << ": " << after.left(40).constData();
    }
}

TEST_P(SmtpTlsTest, ADeclinedUpgradeFailsOnlyWhenEncryptionIsNeeded)
{
    FakeSmtpServer server;
    server.onLine = [](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
        if (line.startsWith("EHLO "))
            return "250-fake\r\n250 STARTTLS\r\n";
        if (line == "STARTTLS")
            return "454 4.7.0 TLS not available\r\n";
        return FakeSmtpServer::standardAnswer(socket, line);
    };
    const Outcome required = send(server.address(), {QString(), QString(), true});
    EXPECT_TRUE(required.failure.endsWith(s("454 4.7.0 TLS not available"))) << required.failure.toStdString();
    EXPECT_FALSE(server.received().contains("MAIL FROM"));
    const Outcome plain = send(server.address());
    EXPECT_EQ(plain.failure, QString());
    EXPECT_TRUE(server.received().contains("STARTTLS\r\nMAIL FROM:<pat@publisher.test>\r\n")
                || server.received().contains("STARTTLS\r\nRSET\r\nMAIL FROM:<pat@publisher.test>\r\n"))
        << server.received().constData();
}

INSTANTIATE_TEST_SUITE_P(BothClients, SmtpTlsTest, ::testing::Values(Client::Component, Client::Plain),
                         [](const ::testing::TestParamInfo<Client>& info) {
                             return info.param == Client::Component ? std::string("TmsSMTP")
                                                                    : std::string("TPlainSMTP");
                         });

TEST(SmtpTlsPlainClient, AConnectionWhoseSessionFailedIsNotReusedForTheMail)
{
    // The sign-in is refused while a command connects: a refused command
    // keeps its connection, but one whose session failed must not be kept
    // for the send after it to mail through without a sign-in.
    Tls::setExtraCaFile(TestCertificates::get().ca());
    SmtpTestServer server(withUser(certificate("server") + QStringList{s("--starttls")}));
    ASSERT_TRUE(server.started());
    TPlainSMTP smtp;
    smtp.setMailServer(server.address());
    smtp.setTimeOut(10);
    smtp.UserName = s(User);
    smtp.Password = s("wrong");
    smtp.From = s("me@acme.test");
    smtp.SendTo << s("them@mail.test");
    smtp.MessageText << s("hello");
    smtp.Command = s("NOOP");
    for (const TSmtpActions action : {smtpCommand, smtpSend}) {
        try {
            smtp.setAction(action);
            ADD_FAILURE() << "action " << int(action) << " went through without a sign-in";
        } catch (const ESocketError& e) {
            EXPECT_EQ(e.number(), TPlainSMTP::ReplyError) << e.text().toStdString();
        }
    }
    Tls::setExtraCaFile(QString());
    EXPECT_EQ(server.messageCount(), 0);
    EXPECT_FALSE(commandsOf(server).join(u'\n').contains(s("MAIL FROM"))) << commandsOf(server).join(u'\n').toStdString();
}
