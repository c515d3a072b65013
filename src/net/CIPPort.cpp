#include "net/CIPPort.h"

#include "net/TextLines.h"
#include "net/TlsSupport.h"
#include "net/WaitFor.h"

#include <QHostInfo>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

// What Qt reads ahead of the caller; bounds the memory a fast or hostile peer
// can fill and holds more than the longest line a reader takes.
constexpr qint64 ReadBufferSize = 256 * 1024;

// Every wait of every connection that has ended. A data connection's transfer
// between two lines of the control connection makes the second the start of a
// reply of its own: the answer that ends a long upload is no trickle.
thread_local quint64 waitsEnded = 0;

QString kindText(EIPPortError::Kind kind, int number)
{
    switch (kind) {
    case EIPPortError::Stopped:
    case EIPPortError::Quit: return QStringLiteral("Interrupted");
    case EIPPortError::TimedOut: return QStringLiteral("Timed out.");
    case EIPPortError::TooLong: return QStringLiteral("Server reply too long.");
    case EIPPortError::Closed:
        // A peer that hangs up carries no socket error: "Ok" would hide that the reply never came.
        if (number == 0)
            return ESocketError::textFor(SocketErrors::ClosedEarly);
        break;
    case EIPPortError::Failed: break;
    }
    return CWinsock::ErrorText(number);
}

} // namespace

EIPPortError::EIPPortError(Kind kind, int number) : EIPPortError(kind, number, kindText(kind, number)) {}

CIPPort::CIPPort(QObject* parent) : CWinsock(parent) {}

CIPPort::~CIPPort()
{
    drop(false);
}

QAbstractSocket* CIPPort::createSocket()
{
    if (m_tlsCapable)
        return new QSslSocket;
    return new QTcpSocket;
}

void CIPPort::connectTo(const QString& host, quint16 port)
{
    drop(false);
    QAbstractSocket* s = createSocket();
    attach(s);
    s->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    await([this] { return m_connected; });
}

void CIPPort::connectTo(const QHostAddress& address, quint16 port)
{
    drop(false);
    QAbstractSocket* s = createSocket();
    attach(s);
    s->connectToHost(address, port);
    await([this] { return m_connected; });
}

void CIPPort::adopt(QAbstractSocket* socket)
{
    drop(false);
    attach(socket);
    m_connected = socket->state() == QAbstractSocket::ConnectedState;
}

void CIPPort::attach(QAbstractSocket* s)
{
    m_socket = s;
    m_connected = false;
    m_closed = false;
    clearError();
    s->setParent(this);
    s->setProxy(QNetworkProxy::NoProxy);
    s->setReadBufferSize(ReadBufferSize);
    connect(s, &QAbstractSocket::connected, this, [this] {
        m_connected = true;
        wakeWaits();
    });
    connect(s, &QAbstractSocket::readyRead, this, [] { wakeWaits(); });
    connect(s, &QAbstractSocket::bytesWritten, this, [] { wakeWaits(); });
    connect(s, &QAbstractSocket::disconnected, this, [this] {
        m_closed = true;
        wakeWaits();
        connectionLost();
    });
    Tls::watch(*s, *this, &m_tlsHost, [this](const QString& text) {
        if (m_errorCode == 0)
            noteError(Tls::Failed, text);
    });
    connect(s, &QAbstractSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError error) {
        // The peer's orderly close is no error: whoever still needed bytes decides what it means.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            m_closed = true;
        } else if (m_errorCode == 0) {
            const QString tls = Tls::handshakeFailure(error, *s, m_tlsHost);
            if (!tls.isEmpty())
                noteError(Tls::Failed, tls);
            else
                noteError(socketErrorNumber(error, s->errorString()), QString());
        }
        wakeWaits();
    });
}

void CIPPort::drop(bool orderly)
{
    if (!m_socket)
        return;
    QAbstractSocket* s = m_socket;
    m_socket = nullptr;
    m_connected = false;
    s->disconnect(this);
    if (orderly && s->state() == QAbstractSocket::ConnectedState)
        s->disconnectFromHost();
    else
        s->abort();
    // It may be inside one of its own signals; it goes once control is back in the event loop.
    s->deleteLater();
}

bool CIPPort::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

QHostAddress CIPPort::localAddress() const
{
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

QHostAddress CIPPort::peerAddress() const
{
    return m_socket ? m_socket->peerAddress() : QHostAddress();
}

QString CIPPort::LocalHost() const
{
    if (isConnected())
        return m_socket->localAddress().toString();
    return QHostInfo::localHostName();
}

qintptr CIPPort::descriptor() const
{
    return m_socket ? m_socket->socketDescriptor() : -1;
}

void CIPPort::startTls(const QString& host, const QByteArray& session)
{
    m_tlsHost = host;
    auto* tls = qobject_cast<QSslSocket*>(m_socket);
    auto fail = [this](const QString& text) {
        reset();
        throw EIPPortError(EIPPortError::Failed, Tls::Failed, text);
    };
    if (!tls || !isConnected())
        fail(Tls::failureText(QStringLiteral("the connection cannot be encrypted"), host));
    // Bytes that came before the handshake were sent in plain text by whoever
    // sits on the line; none of them may pass for the server's.
    if (tls->bytesAvailable() > 0)
        fail(Tls::failureText(QStringLiteral("the server sent data before the handshake"), host));
    QString problem;
    if (!Tls::prepare(*tls, host, session, &problem))
        fail(problem);
    tls->startClientEncryption();
    try {
        await([tls] { return tls->isEncrypted(); });
    } catch (const EIPPortError& e) {
        if (e.kind() == EIPPortError::Closed)
            fail(Tls::failureText(QStringLiteral("the server closed the connection during the handshake"), host));
        reset();
        throw;
    }
}

bool CIPPort::isEncrypted() const
{
    auto* tls = qobject_cast<QSslSocket*>(m_socket);
    return tls && tls->isEncrypted();
}

QByteArray CIPPort::tlsSession() const
{
    auto* tls = qobject_cast<QSslSocket*>(m_socket);
    return tls && tls->isEncrypted() ? tls->sslConfiguration().sessionTicket() : QByteArray();
}

qint64 CIPPort::queuedBytes() const
{
    return m_socket ? Tls::queuedBytes(*m_socket) : 0;
}

void CIPPort::noteError(int number, const QString& text)
{
    m_errorCode = number;
    m_errorText = text.isEmpty() ? ErrorText(number) : text;
}

void CIPPort::clearError()
{
    m_errorCode = 0;
    m_errorText.clear();
}

void CIPPort::throwConnectionError() const
{
    if (m_errorCode != 0)
        throw EIPPortError(EIPPortError::Failed, m_errorCode, m_errorText);
    throw EIPPortError(EIPPortError::Closed);
}

void CIPPort::await(const std::function<bool()>& done, bool closeFails, bool needSocket, const QDeadlineTimer* deadline)
{
    const std::function<bool()> failed = [this, closeFails, needSocket] {
        return m_errorCode != 0 || (needSocket && !m_socket) || (closeFails && m_closed);
    };
    const WaitResult result = deadline ? waitUntil(done, *deadline, stopFlag(), failed)
                                       : waitFor(done, waitTimeOut(), stopFlag(), failed);
    ++waitsEnded;
    switch (result) {
    case WaitResult::Done: return;
    case WaitResult::Cancelled: throw EIPPortError(EIPPortError::Stopped);
    case WaitResult::TimedOut: throw EIPPortError(EIPPortError::TimedOut);
    case WaitResult::Quit: throw EIPPortError(EIPPortError::Quit);
    case WaitResult::SocketError: throwConnectionError();
    }
}

void CIPPort::send(const QByteArray& bytes)
{
    post(bytes);
    while (m_socket && queuedBytes() > 0) {
        const qint64 left = queuedBytes();
        await([this, left] { return !m_socket || queuedBytes() < left; });
    }
    if (!m_socket)
        throwConnectionError();
}

void CIPPort::post(const QByteArray& bytes)
{
    m_inReply = false;
    if (!isConnected())
        throwConnectionError();
    if (m_socket->write(bytes) != bytes.size())
        throwConnectionError();
}

bool CIPPort::sendUrgent(const QByteArray& bytes)
{
    if (!isConnected())
        return false;
#ifdef Q_OS_UNIX
    // Qt has no call for urgent data; it goes straight to the descriptor, after
    // whatever Qt still holds, so the order on the line stays as written.
    m_socket->flush();
    const int fd = int(m_socket->socketDescriptor());
    const int inline_ = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &inline_, sizeof inline_);
    return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_OOB | MSG_NOSIGNAL) > 0;
#else
    return m_socket->write(bytes) == bytes.size();
#endif
}

void CIPPort::close()
{
    drop(true);
}

void CIPPort::reset()
{
#ifdef Q_OS_UNIX
    // Lingering for no time makes the close a reset: the peer must not take a
    // cut-off transfer for a whole one.
    if (m_socket && m_socket->socketDescriptor() >= 0) {
        const linger now{1, 0};
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
#endif
    drop(false);
}

QByteArray CIPPort::readRawLine(qsizetype longest)
{
    // The CR LF may follow the longest line, so two bytes more show whether one is there.
    const qint64 peekSize = qint64(longest) + 2;
    // A server that sends a short line every little while, each within the
    // time-out, would hold the caller for as many lines as it may read.
    // A shorter time-out set meanwhile (the short wait for an abort's answer) counts from now.
    const QDeadlineTimer fresh = deadlineIn(waitTimeOut());
    if (!m_inReply || waitsEnded != m_waitsAfterLine || fresh < m_replyDeadline)
        m_replyDeadline = fresh;
    m_inReply = false;
    await([this, peekSize] {
        return !socket() || socket()->canReadLine() || socket()->bytesAvailable() >= peekSize || peerClosed();
    }, false, true, &m_replyDeadline);
    if (!socket())
        throwConnectionError();
    const QByteArray head = peekLineHead(*socket(), peekSize);
    const qsizetype end = head.indexOf('\n');
    if (end < 0) {
        if (head.size() >= peekSize)
            throw EIPPortError(EIPPortError::TooLong);
        throwConnectionError();
    }
    QByteArray line = socket()->read(end + 1);
    line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > longest)
        throw EIPPortError(EIPPortError::TooLong);
    m_inReply = true;
    m_waitsAfterLine = waitsEnded;
    return line;
}

std::optional<std::pair<QString, quint16>> CIPPort::splitServer(const QString& server, quint16 defaultPort)
{
    const qsizetype colon = server.indexOf(u':');
    if (colon < 0 || server.indexOf(u':', colon + 1) >= 0)
        return std::pair{server, defaultPort};
    const QString portText = server.mid(colon + 1);
    if (portText.isEmpty())
        return std::pair{server.left(colon), defaultPort};
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return std::pair{server.left(colon), quint16(port)};
}
