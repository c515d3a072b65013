#include "net/TagSocket.h"

#include "net/CWinsock.h"
#include "net/TlsSupport.h"
#include "net/ESocketError.h"
#include "net/TextLines.h"
#include "net/WaitFor.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QIODevice>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <memory>
#include <optional>

using namespace SocketErrors;

namespace {

// What Qt has read from the peer and the caller has not; bounds the memory a
// fast or hostile peer can fill, and holds more than the longest line.
constexpr qint64 ReadBufferSize = 256 * 1024;

int lookupNumber(const QHostInfo& info)
{
    if (info.error() == QHostInfo::HostNotFound)
        return 11001;
    if (info.error() != QHostInfo::NoError)
        return 11002;
    return 11004;
}

// Well-known ports of the services the clients name.
int wellKnownPort(const QString& service)
{
    if (service == u"http")
        return 80;
    if (service == u"smtp")
        return 25;
    if (service == u"ftp")
        return 21;
    if (service == u"pop3")
        return 110;
    return 0;
}

} // namespace

TagSocket::TagSocket(QObject* parent) : QObject(parent) {}

TagSocket::~TagSocket()
{
    abortLookup();
}

bool TagSocket::Connected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

TagSocket::BusyScope::BusyScope(TagSocket& component) : m_component(component)
{
    if (component.m_busy)
        component.fail(Busy);
    component.m_busy = true;
}

TagSocket::BusyScope::~BusyScope()
{
    m_component.m_busy = false;
}

void TagSocket::Connect()
{
    BusyScope busy(*this);
    openConnection();
}

void TagSocket::Disconnect()
{
    BusyScope busy(*this);
    closeConnection();
}

void TagSocket::WriteLine(const QString& text)
{
    BusyScope busy(*this);
    sendLine(text);
}

QString TagSocket::ReadLine()
{
    BusyScope busy(*this);
    return receiveLine();
}

void TagSocket::ReadBytes(QIODevice& stream, qint64 count)
{
    BusyScope busy(*this);
    receiveBytes(stream, count);
}

void TagSocket::SendStream(QIODevice& stream)
{
    BusyScope busy(*this);
    sendStream(stream);
}

void TagSocket::Cancel()
{
    m_cancelRequested = true;
    if (OnCancel)
        OnCancel(*this);
    abortLookup();
    closeConnection();
    wakeWaits();
}

QAbstractSocket* TagSocket::createSocket()
{
    if (m_tlsCapable)
        return new QSslSocket;
    return new QTcpSocket;
}

void TagSocket::startTls(const QString& host)
{
    m_tlsHost = host;
    auto* tls = qobject_cast<QSslSocket*>(m_socket);
    auto failTls = [this](const QString& what) {
        dropSocket();
        fail(Tls::Failed, Tls::failureText(what, m_tlsHost));
    };
    if (!tls || !Connected())
        failTls(QStringLiteral("the connection cannot be encrypted"));
    // Bytes that came before the handshake were sent in plain text by whoever
    // sits on the line; none of them may pass for the server's.
    if (tls->bytesAvailable() > 0)
        failTls(QStringLiteral("the server sent data before the handshake"));
    QString problem;
    if (!Tls::prepare(*tls, host, QByteArray(), &problem)) {
        dropSocket();
        fail(Tls::Failed, problem);
    }
    m_inReply = false;
    tls->startClientEncryption();
    await([this, tls] { return tls->isEncrypted() || m_closedByPeer; }, false);
    if (!tls->isEncrypted())
        failTls(QStringLiteral("the server closed the connection during the handshake"));
}

bool TagSocket::isEncrypted() const
{
    auto* tls = qobject_cast<QSslSocket*>(m_socket);
    return tls && tls->isEncrypted();
}

quint16 TagSocket::peerPort() const
{
    return m_socket ? m_socket->peerPort() : 0;
}

qint64 TagSocket::queuedBytes() const
{
    return m_socket ? Tls::queuedBytes(*m_socket) : 0;
}

void TagSocket::openConnection()
{
    m_inReply = false;
    closeConnection();
    m_cancelRequested = false;
    m_connected = false;
    m_closedByPeer = false;
    m_errorCode = 0;
    m_errorText.clear();
    if (OnOpen)
        OnOpen(*this);
    if (m_server.isEmpty())
        fail(ServerRequired);

    const qsizetype colon = m_server.indexOf(u':');
    const QString host = serverHost();
    QHostAddress address;
    if (!address.setAddress(host)) {
        // Each lookup has an answer of its own: one cancelled or timed out may still
        // be delivered later, and must then reach nothing but its own.
        const auto answer = std::make_shared<std::optional<QHostInfo>>();
        m_lookupId = QHostInfo::lookupHost(host, this, [this, answer](const QHostInfo& info) {
            if (info.lookupId() == m_lookupId)
                m_lookupId = -1;
            *answer = info;
            wakeWaits();
        });
        try {
            await([answer] { return answer->has_value(); }, false);
        } catch (...) {
            abortLookup();
            throw;
        }
        const QHostInfo& found = **answer;
        const QList<QHostAddress> addresses = found.addresses();
        if (found.error() != QHostInfo::NoError || addresses.isEmpty())
            fail(lookupNumber(found));
        // The first IPv4 address, as the system's own lookup gives it.
        address = addresses.first();
        for (const QHostAddress& candidate : addresses) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
                address = candidate;
                break;
            }
        }
    }

    bool numeric = false;
    const qint64 given = colon < 0 ? 0 : m_server.mid(colon + 1).toLongLong(&numeric);
    quint16 port = 0;
    if (numeric && given > 0) {
        // A port that does not fit 16 bits names no address rather than another port.
        if (given > 65535)
            fail(AddressNotAvailable);
        port = quint16(given);
    } else {
        if (m_serviceName.isEmpty())
            fail(ServiceRequired);
        port = servicePort();
    }

    m_socket = createSocket();
    m_socket->setParent(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_socket->setReadBufferSize(ReadBufferSize);
    connect(m_socket, &QAbstractSocket::connected, this, [this] {
        m_connected = true;
        wakeWaits();
    });
    connect(m_socket, &QAbstractSocket::readyRead, this, [] { wakeWaits(); });
    connect(m_socket, &QAbstractSocket::bytesWritten, this, [] { wakeWaits(); });
    connect(m_socket, &QAbstractSocket::disconnected, this, [this] {
        m_closedByPeer = true;
        wakeWaits();
    });
    Tls::watch(*m_socket, *this, &m_tlsHost, [this](const QString& text) {
        if (m_errorCode == 0) {
            m_errorCode = Tls::Failed;
            m_errorText = text;
        }
    });
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // A peer's close ends a reply read until close; whoever still needed
        // bytes decides what it means.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            m_closedByPeer = true;
        } else if (m_errorCode == 0) {
            m_errorText = Tls::handshakeFailure(error, *m_socket, m_tlsHost);
            m_errorCode = m_errorText.isEmpty() ? CWinsock::socketErrorNumber(error, m_socket->errorString())
                                                : Tls::Failed;
        }
        wakeWaits();
    });
    m_socket->connectToHost(address, port);
    await([this] { return m_connected; }, true);
}

void TagSocket::closeConnection()
{
    if (!m_socket)
        return;
    if (OnClosing)
        OnClosing(*this);
    dropSocket();
    if (OnClosed)
        OnClosed(*this);
}

void TagSocket::dropSocket()
{
    if (!m_socket)
        return;
    QAbstractSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    // It may be inside one of its own signals; it goes when control is back in
    // the event loop, or with this component.
    socket->deleteLater();
}

void TagSocket::abortLookup()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
}

quint16 TagSocket::servicePort() const
{
    const int port = wellKnownPort(m_serviceName);
    return port > 0 ? quint16(port) : m_defaultPort;
}

QAbstractSocket& TagSocket::socket()
{
    if (m_cancelRequested)
        fail(Canceled);
    if (!m_socket)
        fail(NotConnected);
    return *m_socket;
}

void TagSocket::await(const std::function<bool()>& done, bool peerCloseFails, const QDeadlineTimer* deadline)
{
    const std::function<bool()> failed = [this, peerCloseFails] {
        return m_errorCode != 0 || (peerCloseFails && m_closedByPeer);
    };
    const WaitResult result = deadline ? waitUntil(done, *deadline, m_cancelRequested, failed)
                                       : waitFor(done, m_timeOut, m_cancelRequested, failed);
    switch (result) {
    case WaitResult::Done:
        return;
    case WaitResult::Cancelled:
        fail(Canceled);
    case WaitResult::Quit:
        // The program is leaving: the connection goes with the call.
        abortLookup();
        dropSocket();
        fail(Canceled);
    case WaitResult::TimedOut:
        abortLookup();
        dropSocket();
        fail(TimedOut);
    case WaitResult::SocketError:
        fail(m_errorCode != 0 ? m_errorCode : ConnectionReset);
    }
}

void TagSocket::sendLine(const QString& text)
{
    sendBytes(text.toLatin1() + "\r\n");
}

void TagSocket::sendBytes(const QByteArray& bytes)
{
    m_inReply = false;
    QAbstractSocket& s = socket();
    if (s.write(bytes) != bytes.size())
        fail(m_errorCode != 0 ? m_errorCode : ConnectionReset);
    // The time-out counts from the last bytes that left: a slow line drains a
    // large block in many small steps, and only a line that moves nothing fails.
    while (m_socket && queuedBytes() > 0) {
        const qint64 left = queuedBytes();
        await([this, left] { return !m_socket || queuedBytes() < left; }, true);
    }
}

QString TagSocket::receiveLine()
{
    return receiveLine(MaxLineLength, ReplyTooLarge);
}

QString TagSocket::receiveLine(qsizetype longest, int tooLong)
{
    const qint64 peekSize = longest + 2;
    // A server that sends a short line every little while, each within the
    // time-out, would hold the caller for as many lines as it may read.
    continueReply();
    await([this, peekSize] {
        return !m_socket || m_socket->canReadLine() || m_socket->bytesAvailable() >= peekSize || m_closedByPeer;
    }, false, &m_replyDeadline);
    QAbstractSocket& s = socket();
    const QByteArray head = peekLineHead(s, peekSize);
    const qsizetype end = head.indexOf('\n');
    if (end < 0)
        fail(head.size() >= peekSize ? tooLong : ClosedEarly);
    QByteArray line = s.read(end + 1);
    qsizetype size = line.size();
    while (size > 0 && (line[size - 1] == '\n' || line[size - 1] == '\r'))
        --size;
    if (size > longest)
        fail(tooLong);
    line.truncate(size);
    m_inReply = true;
    return QString::fromLatin1(line);
}

void TagSocket::continueReply()
{
    const QDeadlineTimer fresh = deadlineIn(m_timeOut);
    // A shorter time-out set meanwhile counts from now.
    if (!m_inReply || fresh < m_replyDeadline) {
        m_replyDeadline = fresh;
        m_replyProgress = 0;
    }
    // A wait that fails leaves the next read a time-out of its own.
    m_inReply = false;
}

void TagSocket::newReply()
{
    m_inReply = false;
}

bool TagSocket::receiveBytes(QIODevice& stream, qint64 count, qint64 limit)
{
    // The bytes share the time-out of the lines around them (a chunk's size
    // line) until a whole piece has come: a server cannot buy a new time-out
    // with every byte or tiny chunk, while a body that keeps coming at a piece
    // per time-out is never cut.
    continueReply();
    const bool cut = receivePieces(stream, count, limit);
    m_inReply = true;
    return cut;
}

bool TagSocket::receivePieces(QIODevice& stream, qint64 count, qint64 limit)
{
    progress(0, 0);
    qint64 received = 0;
    for (;;) {
        if (count >= 0 && received >= count)
            return false;
        if (limit >= 0 && received >= limit) {
            if (count >= 0)
                return true;
            await([this] { return !m_socket || m_socket->bytesAvailable() > 0 || m_closedByPeer; }, false,
                  &m_replyDeadline);
            return socket().bytesAvailable() > 0;
        }
        qint64 want = PieceSize;
        if (count >= 0)
            want = std::min(want, count - received);
        if (limit >= 0)
            want = std::min(want, limit - received);
        await([this, want] { return !m_socket || m_socket->bytesAvailable() >= want || m_closedByPeer; }, false,
              &m_replyDeadline);
        const QByteArray piece = socket().read(want);
        if (piece.isEmpty()) {
            if (count < 0)
                return false;
            fail(ClosedEarly);
        }
        if (stream.write(piece) != piece.size())
            fail(CannotStore);
        received += piece.size();
        m_replyProgress += piece.size();
        if (m_replyProgress >= PieceSize) {
            m_replyDeadline = deadlineIn(m_timeOut);
            m_replyProgress = 0;
        }
        progress(count > 0 ? int(qRound64(double(received) * 100.0 / double(count))) : -1, received);
    }
}

void TagSocket::sendStream(QIODevice& stream)
{
    const qint64 size = stream.size();
    if (!stream.isSequential())
        stream.seek(0);
    qint64 sent = 0;
    for (;;) {
        const QByteArray piece = stream.read(SendPieceSize);
        if (piece.isEmpty())
            break;
        sendBytes(piece);
        sent += piece.size();
        progress(size > 0 ? int(qRound64(double(sent) * 100.0 / double(size))) : -1, sent);
    }
}

void TagSocket::progress(int percent, qint64 bytes)
{
    if (OnProgress)
        OnProgress(*this, percent, bytes);
}

void TagSocket::fail(int number)
{
    fail(number, number == m_errorCode && !m_errorText.isEmpty() ? m_errorText : ESocketError::textFor(number));
}

void TagSocket::fail(int number, const QString& message)
{
    // A reset connection is closed before anyone hears of it.
    if (number == ConnectionReset)
        closeConnection();
    if (OnError)
        OnError(*this, message);
    if (number == Canceled)
        throw ECanceledError();
    throw ESocketError(number, message);
}
