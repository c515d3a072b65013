#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

#include <functional>

// The throw-away certificates scripts/make_test_certs.py writes, made once
// per test program in a temporary folder: "ca.pem" (the authority the tests
// trust through TLSExtraCA), "server.pem"/"server.key" (for 127.0.0.1 and
// localhost), "expired.*", "wrongname.*" (other.example), "selfsigned.*",
// "other-ca.pem".
class TestCertificates {
public:
    static const TestCertificates& get();
    bool made() const { return m_made; }
    QString folder() const { return m_dir.path(); }
    QString path(const QString& file) const { return m_dir.filePath(file); }
    QString ca() const { return path(QStringLiteral("ca.pem")); }

private:
    TestCertificates();
    QTemporaryDir m_dir;
    bool m_made = false;
};

// The project's Python HTTP server on a free port of 127.0.0.1, recording
// every request it reads; stopped when this object goes.
class HttpTestServer {
public:
    // `root` is the folder whose files it serves besides the /test/ paths;
    // `options` are the script's own (tls() among them serves HTTPS).
    explicit HttpTestServer(const QString& root = QString(), const QStringList& options = {});
    ~HttpTestServer();

    // The options that make it serve HTTPS with one kind of TestCertificates
    // ("server", "expired", "wrongname", "selfsigned").
    static QStringList tls(const QString& kind = QStringLiteral("server"));

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString address() const;
    // "http://" or, serving HTTPS, "https://" with the address and the path.
    QString url(const QString& path) const { return (m_secure ? u"https://" : u"http://") + address() + path; }
    // Every request read so far, byte for byte.
    QByteArray recorded() const;
    // The connections accepted so far, whether or not anything was sent on them.
    int connections() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_secure = false;
};

// Debian's tinyproxy on a free port of 127.0.0.1, taking only the given
// Basic credentials, or anyone without them. It tunnels CONNECT to any port
// unless `configuration` (lines of tinyproxy's own) says otherwise, e.g.
// "ConnectPort 443".
class TinyProxy {
public:
    TinyProxy(const QString& user = QString(), const QString& password = QString(),
              const QStringList& configuration = {});
    ~TinyProxy();

    bool started() const { return m_started; }
    QString address() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_started = false;
};

// An in-process server that answers the first request of every connection
// with fixed bytes, for replies a real server does not send. Or a proxy that
// opens every tunnel asked for to one port of 127.0.0.1, whatever it names.
class FakeHttpServer {
public:
    FakeHttpServer();

    // Applies to connections accepted from now on.
    void setReply(const QByteArray& reply, bool closeAfter = true)
    {
        m_reply = reply;
        m_closeAfter = closeAfter;
    }
    // Answers a request head with 200 and from then on relays the bytes of the
    // connection both ways to `port`; 0 goes back to the fixed reply.
    void setTunnelTo(quint16 port) { m_tunnelPort = port; }
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString& path) const;
    int connections() const { return m_connections; }
    // Every request head read so far (a tunnel's own bytes not among them).
    const QByteArray& received() const { return m_received; }

private:
    QTcpServer m_server;
    QByteArray m_reply;
    bool m_closeAfter = true;
    quint16 m_tunnelPort = 0;
    int m_connections = 0;
    QByteArray m_received;
};

// Debian's aiosmtpd on a free port of 127.0.0.1, saving every message it
// accepts; stopped when this object goes. `options` are the script's own:
// "--refuse", address (550 to that RCPT TO), "--refuse-data" (554 to the data).
class SmtpTestServer {
public:
    explicit SmtpTestServer(const QStringList& options = {});
    ~SmtpTestServer();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString address() const;
    // The messages accepted so far.
    int messageCount() const;
    // The n-th accepted message (from 1) as the server read it, periods unstuffed.
    QByteArray message(int n) const;
    QString messagePath(int n) const;
    // Its envelope: "helo", "mail_from", "rcpt_tos".
    QJsonObject envelope(int n) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

// An in-process SMTP peer for what a real server won't do. By default it
// greets, answers every command with success and takes the data up to the
// period line; each hook may answer otherwise, or write, wait or close itself.
class FakeSmtpServer {
public:
    FakeSmtpServer();

    // What a well-behaved server answers to a line ("." for the end of the data).
    static QByteArray standardAnswer(QTcpSocket& socket, const QByteArray& line);

    // Runs when a connection is accepted; sends the greeting by default.
    std::function<void(QTcpSocket& socket)> onConnect;
    // Answers a command line, or the data with "."; its answer is written back.
    // An answer to DATA starting "354" makes what follows data.
    std::function<QByteArray(QTcpSocket& socket, const QByteArray& line)> onLine;

    quint16 port() const { return m_server.serverPort(); }
    QString address() const;
    // Everything read from every connection, in order.
    const QByteArray& received() const { return m_received; }

private:
    QTcpServer m_server;
    QByteArray m_received;
};

// What Python's mail parser (tests/net/mail_report.py) reads in a saved mail.
QJsonObject readMail(const QString& path);

// A port on 127.0.0.1 that nothing listens on (it did a moment ago).
quint16 unusedPort();

// A whole file's bytes; empty when it cannot be read.
QByteArray readAll(const QString& path);
// Writes a whole file; false when it cannot be.
bool writeAll(const QString& path, const QByteArray& bytes);

// The same bytes for the same seed, every byte value among them.
QByteArray randomBytes(qsizetype size, quint32 seed);

// Debian's pyftpdlib on a free port of 127.0.0.1 with one user who may read and
// write everything under root(); stopped when this object goes. `options` are
// the script's own: "--refuse", name (550 to STOR of that name), "--masquerade",
// address (announced in PASV replies instead of 127.0.0.1).
class FtpTestServer {
public:
    // An empty `root` is a temporary folder of its own.
    explicit FtpTestServer(const QStringList& options = {}, const QString& root = QString());
    ~FtpTestServer();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString address() const;
    QString root() const { return m_root; }
    QString filePath(const QString& name) const { return m_root + u'/' + name; }
    QString user() const { return QStringLiteral("zentrel"); }
    QString password() const { return QStringLiteral("secret"); }
    // Every command line received so far, in order, as sent ("USER zentrel", "TYPE I").
    QStringList commands() const;
    // Every data connection so far: "<server address>:<port> <client address>:<port>".
    QStringList dataConnections() const;

private:
    QStringList logLines() const;

    QTemporaryDir m_dir;
    QString m_root;
    QProcess m_process;
    quint16 m_port = 0;
};

// scripts/pad_test_server.py on a free port of `host` (a loopback address),
// serving the PAD file `pad` at /pad (its own small one when empty) and the
// replies a PAD fetch must handle; stopped when this object goes.
class PadTestServer {
public:
    explicit PadTestServer(const QString& pad = QString(), const QString& host = QStringLiteral("127.0.0.1"));
    ~PadTestServer();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "http://<host>:<port>" and the path.
    QString url(const QString& path) const;
    // The head of every request read so far.
    QByteArray recorded() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_host;
    quint16 m_port = 0;
};

// scripts/hostile_server.py: HTTP, FTP and SMTP servers on 127.0.0.1 that
// misbehave on purpose, one misbehaviour per port or path (see the script).
// `options` are the script's own ("--smtp", modes; "--drip", seconds).
// Stopped when this object goes.
class HostileServer {
public:
    explicit HostileServer(const QStringList& options = {});
    ~HostileServer();

    bool started() const { return m_started; }
    // The port of a listener by the name the script gives it ("http", "ftp-drip", "smtp"); 0 for none.
    quint16 port(const QString& name) const { return m_ports.value(name); }
    // "127.0.0.1:<port>" of a listener.
    QString address(const QString& name) const;
    // Every connection and command so far, "<listener> <event>" a line.
    QStringList log() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QHash<QString, quint16> m_ports;
    bool m_started = false;
};
