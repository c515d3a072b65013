#include "TestServers.h"

#include <QRandomGenerator>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>

#include <memory>

#include <signal.h>
#include <sys/prctl.h>

namespace {
constexpr int StartMs = 15000;

// A server dies with the test that started it, even when the test crashes, so
// nothing is left holding the test's output open.
void endWithTheTest(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Starts one of the project's Python servers and waits for its "PORT <n>" line; 0 when none came.
quint16 startServer(QProcess& process, const QString& script, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithTheTest(process);
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral(ZENTREL_SOURCE_DIR "/scripts/") + script} + arguments);
    QDeadlineTimer deadline(StartMs);
    while (!process.canReadLine() && process.state() != QProcess::NotRunning && !deadline.hasExpired())
        process.waitForReadyRead(int(deadline.remainingTime()));
    const QByteArray line = process.readLine().trimmed();
    return line.startsWith("PORT ") ? quint16(line.mid(5).toUInt()) : 0;
}
} // namespace

const TestCertificates& TestCertificates::get()
{
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates()
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(ZENTREL_SOURCE_DIR "/scripts/make_test_certs.py"), m_dir.path()});
    m_made = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0 && QFile::exists(ca());
}

HttpTestServer::HttpTestServer(const QString& root, const QStringList& options)
    : m_secure(options.contains(QStringLiteral("--tls")))
{
    m_port = startServer(m_process, QStringLiteral("http_test_server.py"),
                         QStringList{QStringLiteral("--record"), m_dir.filePath(QStringLiteral("requests.bin")),
                                     QStringLiteral("--root"), root.isEmpty() ? m_dir.path() : root}
                             + options);
}

QStringList HttpTestServer::tls(const QString& kind)
{
    const TestCertificates& certificates = TestCertificates::get();
    return {QStringLiteral("--tls"), certificates.path(kind + u".pem"), certificates.path(kind + u".key")};
}

HttpTestServer::~HttpTestServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString HttpTestServer::address() const
{
    return u"127.0.0.1:" + QString::number(m_port);
}

QByteArray HttpTestServer::recorded() const
{
    QFile file(m_dir.filePath(QStringLiteral("requests.bin")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int HttpTestServer::connections() const
{
    QFile file(m_dir.filePath(QStringLiteral("requests.bin.connections")));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

TinyProxy::TinyProxy(const QString& user, const QString& password, const QStringList& configuration)
{
    m_port = unusedPort();
    QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    // Without ConnectPort lines tinyproxy tunnels to every port.
    QString text = QStringLiteral("Listen 127.0.0.1\nPort %1\nAllow 127.0.0.1\n"
                                  "Timeout 30\nMaxClients 20\nLogLevel Error\n")
                       .arg(m_port);
    if (!user.isEmpty())
        text += QStringLiteral("BasicAuth %1 %2\n").arg(user, password);
    for (const QString& line : configuration)
        text += line + u'\n';
    config.write(text.toLatin1());
    config.close();
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    endWithTheTest(m_process);
    m_process.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
    if (!m_process.waitForStarted(StartMs))
        return;
    // Ready once it takes a connection.
    QDeadlineTimer deadline(StartMs);
    while (!m_started && m_process.state() == QProcess::Running && !deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        m_started = probe.waitForConnected(500);
        if (!m_started)
            m_process.waitForFinished(50);
    }
}

TinyProxy::~TinyProxy()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString TinyProxy::address() const
{
    return u"127.0.0.1:" + QString::number(m_port);
}

FakeHttpServer::FakeHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            ++m_connections;
            auto request = std::make_shared<QByteArray>();
            const QByteArray reply = m_reply;
            const bool closeAfter = m_closeAfter;
            const quint16 tunnelPort = m_tunnelPort;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request, reply, closeAfter, tunnelPort] {
                const bool complete = request->contains("\r\n\r\n");
                if (complete && tunnelPort != 0)
                    return; // the tunnel's relay reads from now on
                request->append(socket->readAll());
                if (complete || !request->contains("\r\n\r\n"))
                    return;
                m_received += *request;
                if (tunnelPort == 0) {
                    socket->write(reply);
                    if (closeAfter)
                        socket->disconnectFromHost();
                    return;
                }
                auto* upstream = new QTcpSocket(socket);
                QObject::connect(upstream, &QTcpSocket::connected, socket, [socket, upstream] {
                    socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
                    QObject::connect(socket, &QTcpSocket::readyRead, upstream, [socket, upstream] {
                        upstream->write(socket->readAll());
                    });
                });
                QObject::connect(upstream, &QTcpSocket::readyRead, socket,
                                 [socket, upstream] { socket->write(upstream->readAll()); });
                QObject::connect(upstream, &QTcpSocket::disconnected, socket, [socket] { socket->disconnectFromHost(); });
                QObject::connect(socket, &QTcpSocket::disconnected, upstream, [upstream] { upstream->disconnectFromHost(); });
                upstream->connectToHost(QHostAddress::LocalHost, tunnelPort);
            });
        }
    });
}

QString FakeHttpServer::url(const QString& path) const
{
    return u"http://127.0.0.1:" + QString::number(port()) + path;
}

SmtpTestServer::SmtpTestServer(const QStringList& options)
{
    m_port = startServer(m_process, QStringLiteral("smtp_test_server.py"), QStringList{m_dir.path()} + options);
}

SmtpTestServer::~SmtpTestServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString SmtpTestServer::address() const
{
    return u"127.0.0.1:" + QString::number(m_port);
}

int SmtpTestServer::messageCount() const
{
    return int(QDir(m_dir.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
}

QString SmtpTestServer::messagePath(int n) const
{
    return m_dir.filePath(QString::number(n) + u".eml");
}

QByteArray SmtpTestServer::message(int n) const
{
    QFile file(messagePath(n));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject SmtpTestServer::envelope(int n) const
{
    QFile file(m_dir.filePath(QString::number(n) + u".json"));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

FakeSmtpServer::FakeSmtpServer()
{
    onConnect = [](QTcpSocket& socket) { socket.write("220 fake ready\r\n"); };
    onLine = standardAnswer;
    m_server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            struct State {
                QByteArray pending;
                bool inData = false;
            };
            auto state = std::make_shared<State>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, state] {
                const QByteArray data = socket->readAll();
                m_received += data;
                state->pending += data;
                for (;;) {
                    QByteArray line;
                    if (state->inData) {
                        const qsizetype end = state->pending.startsWith(".\r\n")
                            ? 0 : state->pending.indexOf("\r\n.\r\n");
                        if (end < 0)
                            return;
                        state->pending.remove(0, end == 0 ? 3 : end + 5);
                        state->inData = false;
                        line = ".";
                    } else {
                        const qsizetype end = state->pending.indexOf("\r\n");
                        if (end < 0)
                            return;
                        line = state->pending.left(end);
                        state->pending.remove(0, end + 2);
                    }
                    const QByteArray answer = onLine(*socket, line);
                    if (line.toUpper() == "DATA" && answer.startsWith("354"))
                        state->inData = true;
                    if (socket->state() == QAbstractSocket::ConnectedState)
                        socket->write(answer);
                }
            });
            onConnect(*socket);
        }
    });
}

QByteArray FakeSmtpServer::standardAnswer(QTcpSocket& socket, const QByteArray& line)
{
    const QByteArray command = line.left(4).toUpper();
    if (command == "DATA")
        return "354 go ahead\r\n";
    if (command == "QUIT") {
        socket.write("221 bye\r\n");
        socket.disconnectFromHost();
        return {};
    }
    return "250 OK\r\n";
}

QString FakeSmtpServer::address() const
{
    return u"127.0.0.1:" + QString::number(port());
}

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QJsonObject readMail(const QString& path)
{
    QProcess python;
    python.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZENTREL_SOURCE_DIR "/tests/net/mail_report.py"), path});
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

FtpTestServer::FtpTestServer(const QStringList& options, const QString& root)
    : m_root(root.isEmpty() ? m_dir.filePath(QStringLiteral("root")) : root)
{
    QDir().mkpath(m_root);
    m_port = startServer(m_process, QStringLiteral("ftp_test_server.py"),
                         QStringList{m_root, QStringLiteral("--user"), user(), QStringLiteral("--password"), password(),
                                     QStringLiteral("--log"), m_dir.filePath(QStringLiteral("commands.log"))}
                             + options);
}

FtpTestServer::~FtpTestServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString FtpTestServer::address() const
{
    return u"127.0.0.1:" + QString::number(m_port);
}

QStringList FtpTestServer::logLines() const
{
    QFile file(m_dir.filePath(QStringLiteral("commands.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    lines.removeAll(QString());
    return lines;
}

QStringList FtpTestServer::commands() const
{
    QStringList lines = logLines();
    lines.removeIf([](const QString& line) { return line.startsWith(u"DATA "); });
    return lines;
}

QStringList FtpTestServer::dataConnections() const
{
    QStringList connections;
    for (const QString& line : logLines()) {
        if (line.startsWith(u"DATA "))
            connections << line.mid(5);
    }
    return connections;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

PadTestServer::PadTestServer(const QString& pad, const QString& host) : m_host(host)
{
    QStringList arguments{QStringLiteral("--host"), host, QStringLiteral("--record"),
                          m_dir.filePath(QStringLiteral("requests.bin"))};
    if (!pad.isEmpty())
        arguments << QStringLiteral("--pad") << pad;
    m_port = startServer(m_process, QStringLiteral("pad_test_server.py"), arguments);
}

PadTestServer::~PadTestServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString PadTestServer::url(const QString& path) const
{
    return u"http://" + m_host + u':' + QString::number(m_port) + path;
}

QByteArray PadTestServer::recorded() const
{
    return readAll(m_dir.filePath(QStringLiteral("requests.bin")));
}

HostileServer::HostileServer(const QStringList& options)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithTheTest(m_process);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(ZENTREL_SOURCE_DIR "/scripts/hostile_server.py"),
                                QStringLiteral("--log"), m_dir.filePath(QStringLiteral("hostile.log"))}
                        + options);
    // "PORT <name> <number>" for every listener, then "READY".
    QDeadlineTimer deadline(StartMs);
    while (!m_started && !deadline.hasExpired()) {
        if (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning)
                return;
            m_process.waitForReadyRead(int(deadline.remainingTime()));
            continue;
        }
        const QList<QByteArray> words = m_process.readLine().trimmed().split(' ');
        if (words.value(0) == "READY")
            m_started = true;
        else if (words.size() == 3 && words.at(0) == "PORT")
            m_ports.insert(QString::fromLatin1(words.at(1)), quint16(words.at(2).toUInt()));
    }
}

HostileServer::~HostileServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString HostileServer::address(const QString& name) const
{
    return u"127.0.0.1:" + QString::number(port(name));
}

QStringList HostileServer::log() const
{
    QStringList lines = QString::fromLatin1(readAll(m_dir.filePath(QStringLiteral("hostile.log")))).split(u'\n');
    lines.removeAll(QString());
    return lines;
}
