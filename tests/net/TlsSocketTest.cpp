#include "net/CIPPortMsg.h"
#include "net/ESocketError.h"
#include "net/TagSocket.h"
#include "net/TlsSupport.h"

#include "TestServers.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// An in-process TLS server answering every line with "echo: " and the line,
// with the certificate and key of one kind from the test certificates.
class EchoTlsServer {
public:
    explicit EchoTlsServer(const QString& kind)
    {
        const TestCertificates& certs = TestCertificates::get();
        QFile cert(certs.path(kind + u".pem"));
        QFile key(certs.path(kind + u".key"));
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(cert.readAll(), QSsl::Pem));
        configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(configuration);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    while (socket->canReadLine())
                        socket->write("echo: " + socket->readLine());
                });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QSslServer m_server;
};

class TlsLinePort : public CIPPortMsg {
public:
    TlsLinePort() { setTlsCapable(true); }
};

class TlsTagSocket : public TagSocket {
public:
    TlsTagSocket() { setTlsCapable(true); }
    void secure(const QString& host) { startTls(host); }
    bool encrypted() const { return isEncrypted(); }
};

class TlsSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tls::available()) << "Qt has no TLS backend";
        ASSERT_TRUE(TestCertificates::get().made());
        Tls::setExtraCaFile(TestCertificates::get().ca());
    }
    void TearDown() override { Tls::setExtraCaFile(QString()); }

    // What the line connection makes of a handshake with the server: "ok" or the error's text.
    static QString lineHandshake(const QString& kind, const QString& host = s("127.0.0.1"))
    {
        EchoTlsServer server(kind);
        TlsLinePort port;
        port.setWaitTimeOut(10);
        try {
            port.connectTo(QHostAddress(QHostAddress::LocalHost), server.port());
            port.startTls(host);
            port.sendLine(s("hello"));
            const QString answer = port.readLine(100);
            return port.isEncrypted() && answer == u"echo: hello" ? s("ok") : answer;
        } catch (const ESocketError& e) {
            return e.text();
        }
    }

    static QString componentHandshake(const QString& kind, const QString& host = s("127.0.0.1"),
                                      QStringList* errors = nullptr)
    {
        EchoTlsServer server(kind);
        TlsTagSocket socket;
        socket.setTimeOut(10);
        socket.setServer(u"127.0.0.1:" + QString::number(server.port()));
        if (errors)
            socket.OnError = [errors](TagSocket&, const QString& text) { errors->append(text); };
        try {
            socket.Connect();
            socket.secure(host);
            socket.WriteLine(s("hello"));
            const QString answer = socket.ReadLine();
            return socket.encrypted() && answer == u"echo: hello" ? s("ok") : answer;
        } catch (const ESocketError& e) {
            return e.text();
        }
    }
};

} // namespace

TEST_F(TlsSocketTest, BothConnectionKindsTrustOnlyAValidCertificateForTheNameGiven)
{
    EXPECT_EQ(lineHandshake(s("server")), s("ok"));
    EXPECT_EQ(lineHandshake(s("expired")), s("TLS: certificate has expired (127.0.0.1)"));
    EXPECT_EQ(lineHandshake(s("wrongname")), s("TLS: certificate is for another host name (127.0.0.1)"));
    EXPECT_EQ(lineHandshake(s("selfsigned")), s("TLS: certificate is self-signed and not trusted (127.0.0.1)"));
    // The name checked is the one the user gave, not the address dialled.
    EXPECT_EQ(lineHandshake(s("wrongname"), s("other.example")), s("ok"));

    EXPECT_EQ(componentHandshake(s("server")), s("ok"));
    QStringList told;
    EXPECT_EQ(componentHandshake(s("expired"), s("localhost"), &told), s("TLS: certificate has expired (localhost)"));
    EXPECT_EQ(told, QStringList{s("TLS: certificate has expired (localhost)")});
    EXPECT_EQ(componentHandshake(s("selfsigned")), s("TLS: certificate is self-signed and not trusted (127.0.0.1)"));
}

TEST_F(TlsSocketTest, WithoutTheExtraAuthorityTheTestServerIsNotTrusted)
{
    Tls::setExtraCaFile(QString());
    EXPECT_EQ(lineHandshake(s("server")), s("TLS: certificate is not signed by a trusted authority (127.0.0.1)"));
    Tls::setExtraCaFile(TestCertificates::get().path(s("other-ca.pem")));
    EXPECT_EQ(componentHandshake(s("server")), s("TLS: certificate is not signed by a trusted authority (127.0.0.1)"));
    // A file that holds no certificate is said, not taken for none.
    Tls::setExtraCaFile(TestCertificates::get().path(s("missing.pem")));
    EXPECT_EQ(lineHandshake(s("server")),
              u"TLS: no certificate could be read from the TLSExtraCA file " + TestCertificates::get().path(s("missing.pem"))
                  + u" (127.0.0.1)");
}

TEST_F(TlsSocketTest, APlainPeerOrOneThatClosesFailsTheHandshakeWithinTheTimeOut)
{
    // A peer that answers the handshake with plain text.
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost));
    QObject::connect(&plain, &QTcpServer::newConnection, [&plain] {
        QTcpSocket* socket = plain.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("220 this is no TLS at all\r\n");
        });
    });
    TlsLinePort port;
    port.setWaitTimeOut(5);
    port.connectTo(QHostAddress(QHostAddress::LocalHost), plain.serverPort());
    try {
        port.startTls(s("127.0.0.1"));
        ADD_FAILURE() << "a plain peer passed for TLS";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.number(), Tls::Failed);
        EXPECT_TRUE(e.text().startsWith(u"TLS: handshake failed: ")) << e.text().toStdString();
        EXPECT_TRUE(e.text().endsWith(u"(127.0.0.1)")) << e.text().toStdString();
    }
    EXPECT_FALSE(port.hasConnection());

    // A peer that closes as soon as the handshake starts.
    QTcpServer closing;
    ASSERT_TRUE(closing.listen(QHostAddress::LocalHost));
    QObject::connect(&closing, &QTcpServer::newConnection, [&closing] {
        QTcpSocket* socket = closing.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->close(); });
    });
    TlsTagSocket socket;
    socket.setTimeOut(5);
    socket.setServer(u"127.0.0.1:" + QString::number(closing.serverPort()));
    socket.Connect();
    try {
        socket.secure(s("127.0.0.1"));
        ADD_FAILURE() << "a closed connection passed for TLS";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.number(), Tls::Failed);
        EXPECT_TRUE(e.text().startsWith(u"TLS: ")) << e.text().toStdString();
    }
    EXPECT_FALSE(socket.Connected());
}

TEST_F(TlsSocketTest, PlainTextQueuedBeforeTheHandshakeIsRefused)
{
    // A man in the middle may push a line after the upgrade's answer, hoping
    // it will be read as the server's once the connection is encrypted.
    QTcpServer injecting;
    ASSERT_TRUE(injecting.listen(QHostAddress::LocalHost));
    QObject::connect(&injecting, &QTcpServer::newConnection, [&injecting] {
        injecting.nextPendingConnection()->write("220 go ahead\r\n250 injected\r\n");
    });
    TlsLinePort port;
    port.setWaitTimeOut(5);
    port.connectTo(QHostAddress(QHostAddress::LocalHost), injecting.serverPort());
    EXPECT_EQ(port.readLine(100), s("220 go ahead"));
    try {
        port.startTls(s("127.0.0.1"));
        ADD_FAILURE() << "injected plain text was kept";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.text(), s("TLS: the server sent data before the handshake (127.0.0.1)"));
    }
}

TEST_F(TlsSocketTest, TheExtraAuthorityAddsToTheSystemsTrustAndNeverReplacesIt)
{
    const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
    ASSERT_FALSE(system.isEmpty()) << "the machine has no trust store";
    QString problem;
    const std::optional<QSslConfiguration> configuration = Tls::clientConfiguration(s("127.0.0.1"), &problem);
    ASSERT_TRUE(configuration.has_value()) << problem.toStdString();
    const QList<QSslCertificate> trusted = configuration->caCertificates();
    QFile ca(TestCertificates::get().ca());
    ASSERT_TRUE(ca.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trusted.contains(QSslCertificate(ca.readAll(), QSsl::Pem)));
    // A public site's authority is still trusted while a private one is added.
    EXPECT_TRUE(trusted.contains(system.first()));
    EXPECT_TRUE(trusted.contains(system.last()));
}
