// The FTP client over explicit TLS against a real server (Debian's pyftpdlib
// with python3-openssl, started by scripts/ftp_test_server.py --tls) and
// against in-process peers for what a real server will not do.
#include "net/ESocketError.h"
#include "net/TFtpClient.h"
#include "net/TlsSupport.h"

#include "TestServers.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

struct Outcome {
    int code = 0;
    QString text;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome)
{
    return out << outcome.code << " \"" << outcome.text.toStdString() << '"';
}

Outcome run(TFtpClient& ftp, TFtpActions action)
{
    try {
        ftp.setAction(action);
    } catch (const ESocketError& e) {
        return {e.number(), e.text()};
    }
    return {};
}

const Outcome Succeeded;

// The server's options for TLS with the test certificate of one kind.
QStringList tlsOptions(const QString& kind, bool required = true)
{
    const TestCertificates& certs = TestCertificates::get();
    QStringList options{s("--tls"), certs.path(kind + u".pem"), certs.path(kind + u".key")};
    if (required)
        options << s("--tls-required");
    return options;
}

// A server, a client set up for it with the encryption asked for, a local
// folder and the client's trail.
struct Session {
    FtpTestServer server;
    QTemporaryDir local;
    TFtpClient ftp;
    QStringList trail;
    QStringList errors;

    Session(const QStringList& options, TFtpTls tls, bool passive = true) : server(options)
    {
        ftp.setRemoteHost(s("127.0.0.1"));
        ftp.setRemotePort(server.port());
        ftp.setUser(server.user());
        ftp.setPassword(server.password());
        ftp.setPassive(passive);
        ftp.setTls(tls);
        ftp.setTransferMode(tmBinary);
        ftp.setTimeOut(20);
        ftp.OnFirePITrail = [this](TFtpClient&, int direction, const QString& message) {
            trail << QString::number(direction) + u' ' + message;
        };
        ftp.OnError = [this](TFtpClient&, int code, const QString& text) {
            errors << QString::number(code) + u' ' + text;
        };
    }

    Outcome upload(const QString& name, const QByteArray& bytes)
    {
        const QString path = local.filePath(name);
        EXPECT_TRUE(writeAll(path, bytes));
        ftp.setLocalFile(path);
        ftp.setRemoteFile(name);
        return run(ftp, ftpUpload);
    }

    // The command lines only, without the server's notes on data connections.
    QStringList commands() const
    {
        QStringList lines = server.commands();
        lines.removeIf([](const QString& line) { return line.startsWith(u"DATA-"); });
        return lines;
    }
    // The server's notes on encrypted data connections, in order.
    QStringList tlsNotes() const
    {
        QStringList lines = server.commands();
        lines.removeIf([](const QString& line) { return !line.startsWith(u"DATA-"); });
        return lines;
    }
};

class FtpTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tls::available()) << "Qt has no TLS backend";
        ASSERT_TRUE(TestCertificates::get().made());
        Tls::setExtraCaFile(TestCertificates::get().ca());
    }
    void TearDown() override { Tls::setExtraCaFile(QString()); }
};

// An FTP peer that greets, answers "AUTH TLS" with 234 and then does what the
// test says with the first bytes of the handshake.
class UpgradingPeer {
public:
    explicit UpgradingPeer(std::function<void(QTcpSocket&)> onHandshake) : m_onHandshake(std::move(onHandshake))
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            socket->write("220 ready\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (m_upgraded) {
                    received += socket->readAll();
                    m_onHandshake(*socket);
                    return;
                }
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().trimmed();
                    commands << line;
                    if (line == "AUTH TLS") {
                        socket->write("234 go ahead\r\n");
                        m_upgraded = true;
                    } else {
                        socket->write("500 no\r\n");
                    }
                }
            });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    QList<QByteArray> commands;
    QByteArray received;

private:
    QTcpServer m_server;
    std::function<void(QTcpSocket&)> m_onHandshake;
    bool m_upgraded = false;
};

} // namespace

TEST_F(FtpTls, FilesGoBothWaysEncryptedAndWholeInEitherDataMode)
{
    // Many TLS records' worth, and not a multiple of the block size.
    const QByteArray bytes = randomBytes(1500001, 5);
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        Session session(tlsOptions(s("server")) << s("--tls-reuse"), ftpTlsRequired, passive);
        ASSERT_TRUE(session.server.started());
        TFtpClient& ftp = session.ftp;

        ASSERT_EQ(session.upload(s("release.bin"), bytes), Succeeded);
        const QByteArray landed = readAll(session.server.filePath(s("release.bin")));
        EXPECT_TRUE(landed == bytes) << landed.size() << " bytes landed of " << bytes.size();
        EXPECT_TRUE(ftp.Encrypted());

        ftp.setLocalFile(session.local.filePath(s("back.bin")));
        ftp.setRemoteFile(s("release.bin"));
        ASSERT_EQ(run(ftp, ftpDownload), Succeeded);
        const QByteArray back = readAll(session.local.filePath(s("back.bin")));
        EXPECT_TRUE(back == bytes) << back.size() << " bytes came back of " << bytes.size();
        EXPECT_EQ(run(ftp, ftpLogoff), Succeeded);

        // Encryption is agreed before the name goes, and the data's before any transfer.
        const QStringList commands = session.commands();
        ASSERT_GE(commands.size(), 6);
        EXPECT_EQ(commands.mid(0, 5), (QStringList{s("AUTH TLS"), s("USER zentrel"), s("PASS secret"), s("PBSZ 0"),
                                                   s("PROT P")}));
        const auto count = [&commands](const QString& verb) {
            return std::count_if(commands.begin(), commands.end(), [&](const QString& c) { return c.startsWith(verb); });
        };
        EXPECT_EQ(count(passive ? s("PASV") : s("PORT ")), 2);
        EXPECT_EQ(count(passive ? s("PORT ") : s("PASV")), 0);
        // Each data connection resumed the control connection's session (the
        // server refuses one that does not), and the upload ended with a TLS close.
        const QStringList notes = session.tlsNotes();
        EXPECT_EQ(notes.count(s("DATA-TLS resumed")), 2) << notes.join(u", ").toStdString();
        EXPECT_EQ(notes.count(s("DATA-TLS new")), 0);
        EXPECT_EQ(notes.filter(s("DATA-END")), QStringList{s("DATA-END tls-close")}) << notes.join(u", ").toStdString();

        EXPECT_TRUE(session.trail.contains(s("0 AUTH TLS")));
        EXPECT_TRUE(session.trail.contains(s("0 PASS ********")));
        EXPECT_FALSE(session.trail.join(u'\n').contains(s("secret")));
    }
}

TEST_F(FtpTls, EncryptionOnlyWhereBothSidesAgree)
{
    const QByteArray bytes = randomBytes(70000, 9);
    {
        SCOPED_TRACE("required, but the server speaks no TLS: nothing of the logon is sent");
        Session session({}, ftpTlsRequired);
        ASSERT_TRUE(session.server.started());
        EXPECT_EQ(session.upload(s("a.bin"), bytes),
                  (Outcome{TFtpClient::ReplyError, s("The FTP server does not offer encryption")}));
        EXPECT_EQ(session.commands(), (QStringList{s("AUTH TLS"), s("QUIT")}));
        EXPECT_FALSE(session.ftp.isConnected());
        EXPECT_EQ(session.errors, QStringList{s("141 The FTP server does not offer encryption")});
    }
    {
        SCOPED_TRACE("when offered, against the same server: plain FTP");
        Session session({}, ftpTlsWhenOffered);
        ASSERT_EQ(session.upload(s("a.bin"), bytes), Succeeded);
        EXPECT_EQ(readAll(session.server.filePath(s("a.bin"))), bytes);
        EXPECT_FALSE(session.ftp.Encrypted());
        EXPECT_EQ(session.commands().mid(0, 3), (QStringList{s("AUTH TLS"), s("USER zentrel"), s("PASS secret")}));
        EXPECT_FALSE(session.commands().contains(s("PROT P")));
    }
    {
        SCOPED_TRACE("when offered, against a TLS server: encrypted");
        Session session(tlsOptions(s("server")), ftpTlsWhenOffered, false);
        ASSERT_EQ(session.upload(s("a.bin"), bytes), Succeeded);
        EXPECT_EQ(readAll(session.server.filePath(s("a.bin"))), bytes);
        EXPECT_TRUE(session.ftp.Encrypted());
        EXPECT_TRUE(session.commands().contains(s("PROT P")));
    }
    {
        SCOPED_TRACE("a plain client at a server that demands TLS is refused");
        Session session(tlsOptions(s("server")), ftpTlsNone);
        const Outcome refused = session.upload(s("a.bin"), bytes);
        EXPECT_EQ(refused.code, TFtpClient::ReplyError);
        EXPECT_TRUE(refused.text.startsWith(u"550 ")) << refused.text.toStdString();
        EXPECT_FALSE(QFile::exists(session.server.filePath(s("a.bin"))));
        EXPECT_FALSE(session.commands().contains(s("AUTH TLS")));
    }
}

TEST_F(FtpTls, ACertificateThatFailsItsCheckEndsTheLogonBeforeTheNameIsSent)
{
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {
        {"expired", "TLS: certificate has expired (127.0.0.1)"},
        {"selfsigned", "TLS: certificate is self-signed and not trusted (127.0.0.1)"},
        {"wrongname", "TLS: certificate is for another host name (127.0.0.1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        // A site that would take plain FTP too is not let down to it after a failed check.
        Session session(tlsOptions(s(c.kind), false), ftpTlsWhenOffered);
        ASSERT_TRUE(session.server.started());
        EXPECT_EQ(run(session.ftp, ftpLogon), (Outcome{Tls::Failed, s(c.text)}));
        EXPECT_EQ(session.commands(), QStringList{s("AUTH TLS")});
        EXPECT_EQ(session.errors, QStringList{QString::number(Tls::Failed) + u' ' + s(c.text)});
        EXPECT_FALSE(session.ftp.isConnected());
        EXPECT_EQ(session.trail.last(), s("2 Disconnected."));
    }
}

TEST_F(FtpTls, APeerThatBreaksOffTheHandshakeFailsTheLogonWithoutWaiting)
{
    const struct {
        const char* what;
        std::function<void(QTcpSocket&)> onHandshake;
    } peers[] = {
        {"closes", [](QTcpSocket& socket) { socket.close(); }},
        {"answers in plain text", [](QTcpSocket& socket) { socket.write("200 what is this?\r\n"); }},
    };
    for (const auto& peer : peers) {
        SCOPED_TRACE(peer.what);
        UpgradingPeer server(peer.onHandshake);
        TFtpClient ftp;
        ftp.setRemoteHost(s("127.0.0.1"));
        ftp.setRemotePort(server.port());
        ftp.setUser(s("someone"));
        ftp.setPassword(s("secret"));
        ftp.setTls(ftpTlsRequired);
        // Hitting the time-out would fail with 302 instead.
        ftp.setTimeOut(10);
        const Outcome outcome = run(ftp, ftpLogon);
        EXPECT_EQ(outcome.code, Tls::Failed) << outcome;
        EXPECT_TRUE(outcome.text.startsWith(u"TLS: ")) << outcome;
        EXPECT_TRUE(outcome.text.endsWith(u"(127.0.0.1)")) << outcome;
        EXPECT_EQ(server.commands, QList<QByteArray>{"AUTH TLS"});
        EXPECT_FALSE(server.received.contains("USER")) << "nothing goes in plain text after a failed upgrade";
        EXPECT_FALSE(ftp.isConnected());
    }
}

TEST_F(FtpTls, AnAbortOverAnEncryptedSessionKeepsTheSessionAndTheNextUploadGoes)
{
    Session session(tlsOptions(s("server")), ftpTlsRequired);
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);

    // Urgent bytes sent past the TLS layer would break the encrypted stream:
    // the server would drop the session and the client end as interrupted.
    int blocks = 0;
    Outcome abort;
    ftp.OnTransfer = [&](TFtpClient& sender, qint64, const QByteArray&) {
        if (++blocks == 3)
            abort = run(sender, ftpAbort);
    };
    const QByteArray bytes = randomBytes(8 * 1024 * 1024, 7);
    const Outcome aborted = session.upload(s("big.bin"), bytes);
    EXPECT_EQ(abort, Succeeded);
    EXPECT_EQ(aborted.code, TFtpClient::Interrupted) << aborted;
    EXPECT_TRUE(session.commands().contains(s("ABOR"))) << session.commands().join(u'\n').toStdString();

    ftp.OnTransfer = nullptr;
    EXPECT_EQ(run(ftp, ftpIdle), Succeeded);
    EXPECT_TRUE(ftp.Encrypted());
    EXPECT_EQ(session.errors, QStringList{}) << "the session went on without a broken connection";
    const QByteArray small = randomBytes(20000, 8);
    ASSERT_EQ(session.upload(s("after.bin"), small), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("after.bin"))), small);
}
