#include "TestServers.h"

#include <QDeadlineTimer>
#include <QFile>
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
} // namespace

HttpTestServer::HttpTestServer(const QString& root)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithTheTest(m_process);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(ZENTREL_SOURCE_DIR "/scripts/http_test_server.py"), QStringLiteral("--record"),
                     m_dir.filePath(QStringLiteral("requests.bin")), QStringLiteral("--root"),
                     root.isEmpty() ? m_dir.path() : root});
    QDeadlineTimer deadline(StartMs);
    while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    const QByteArray line = m_process.readLine().trimmed();
    if (line.startsWith("PORT "))
        m_port = quint16(line.mid(5).toUInt());
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

TinyProxy::TinyProxy(const QString& user, const QString& password)
{
    m_port = unusedPort();
    QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(QStringLiteral("Listen 127.0.0.1\nPort %1\nAllow 127.0.0.1\nBasicAuth %2 %3\n"
                                "Timeout 30\nMaxClients 20\nLogLevel Error\n")
                     .arg(m_port)
                     .arg(user, password)
                     .toLatin1());
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
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, request, reply, closeAfter] {
                const bool complete = request->contains("\r\n\r\n");
                request->append(socket->readAll());
                if (complete || !request->contains("\r\n\r\n"))
                    return;
                socket->write(reply);
                if (closeAfter)
                    socket->disconnectFromHost();
            });
        }
    });
}

QString FakeHttpServer::url(const QString& path) const
{
    return u"http://127.0.0.1:" + QString::number(port()) + path;
}

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
