#include "net/CDataInterface.h"

#include <QAbstractSocket>
#include <QIODevice>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

CDataInterface::CDataInterface(CIPPort& control) : m_control(control) {}

CDataInterface::~CDataInterface()
{
    release();
}

void CDataInterface::setProtection(bool on, const QString& host)
{
    m_protected = on;
    m_host = host;
    setTlsCapable(on);
}

void CDataInterface::openPassive(quint16 port)
{
    abandon();
    connectTo(m_control.peerAddress(), port);
}

QString CDataInterface::openActive()
{
    abandon();
    const QHostAddress local = m_control.localAddress();
    bool ipv4 = false;
    const quint32 address = local.toIPv4Address(&ipv4);
    if (!ipv4)
        throw EIPPortError(EIPPortError::Failed, 10047);
    listen(QHostAddress(address), m_control.peerAddress());
    const quint16 port = listeningPort();
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF)
        .arg(port >> 8)
        .arg(port & 0xFF);
}

void CDataInterface::awaitConnection()
{
    if (!hasConnection())
        accept();
    if (m_protected && !isEncrypted())
        startTls(m_host, m_control.tlsSession());
}

CDataInterface::SendResult CDataInterface::sendFile(QIODevice& file, qint64 count,
                                                    const std::function<void(qint64 total)>& sent)
{
    QByteArray block(BlockSize, Qt::Uninitialized);
    // Over TLS every write becomes a record of its own, which the server then
    // reads with a call of its own: the blocks go out gathered into records of
    // the largest size, while the progress still moves block by block.
    const qsizetype gather = isEncrypted() ? TlsRecordSize : BlockSize;
    QByteArray pending;
    qint64 total = 0;
    while (total < count) {
        if (stopFlag())
            throw EIPPortError(EIPPortError::Stopped);
        if (!socket())
            throwConnectionError();
        // Blocks queue up to a window, so the line is never idle while a handler runs,
        // and the memory held stays the same for any size of file.
        if (queuedBytes() >= SendWindow) {
            const qint64 queued = queuedBytes();
            await([this, queued] { return !socket() || queuedBytes() < queued; });
            continue;
        }
        const qint64 read = file.read(block.data(), std::min(BlockSize, count - total));
        if (read < 0)
            return SendResult::ReadFailed;
        if (read == 0)
            return SendResult::FileShrank;
        total += read;
        if (gather == BlockSize) {
            post(QByteArray::fromRawData(block.constData(), read));
        } else {
            pending.append(block.constData(), read);
            if (pending.size() >= gather || total == count) {
                post(pending);
                pending.clear();
            }
        }
        if (sent)
            sent(total);
    }
    while (socket() && queuedBytes() > 0) {
        const qint64 queued = queuedBytes();
        await([this, queued] { return !socket() || queuedBytes() < queued; });
    }
    if (!socket())
        throwConnectionError();
    return SendResult::Sent;
}

void CDataInterface::receive(const std::function<void(const QByteArray& piece)>& piece)
{
    for (;;) {
        await([this] { return !socket() || socket()->bytesAvailable() > 0 || peerClosed(); }, false);
        if (!socket())
            throwConnectionError();
        const QByteArray bytes = socket()->read(ReceivePiece);
        if (bytes.isEmpty()) {
            if (hasError())
                throwConnectionError();
            if (peerClosed())
                return;
            continue;
        }
        piece(bytes);
    }
}

void CDataInterface::finish()
{
    stopListening();
    if (isEncrypted() && isConnected()) {
        QAbstractSocket* s = socket();
#ifdef Q_OS_UNIX
        // The socket closes with the TLS close, while the server may still be
        // reading what came before it. Anything the server sends meanwhile
        // (its own TLS close) would reach a closed socket, whose reset makes
        // the server's system drop what it has not read yet: the file would
        // be cut off. A second descriptor keeps the connection open, ending
        // only this side's sending, until the server has answered.
        release();
        m_lingering = ::dup(int(s->socketDescriptor()));
#endif
        s->disconnectFromHost();
        try {
            await([s] { return s->state() == QAbstractSocket::UnconnectedState; }, false);
        } catch (const EIPPortError& error) {
            if (error.kind() == EIPPortError::Stopped || error.kind() == EIPPortError::Quit)
                throw;
            // The server's verdict on the control connection says whether the file is whole.
        }
#ifdef Q_OS_UNIX
        if (m_lingering >= 0)
            ::shutdown(m_lingering, SHUT_WR);
#endif
    }
    close();
}

void CDataInterface::release()
{
#ifdef Q_OS_UNIX
    if (m_lingering >= 0)
        ::close(m_lingering);
#endif
    m_lingering = -1;
}

void CDataInterface::abandon()
{
    stopListening();
    release();
    reset();
}
