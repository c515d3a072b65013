#include "net/CDataInterface.h"

#include <QAbstractSocket>
#include <QIODevice>

#include <algorithm>

CDataInterface::CDataInterface(CIPPort& control) : m_control(control) {}

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
}

CDataInterface::SendResult CDataInterface::sendFile(QIODevice& file, qint64 count,
                                                    const std::function<void(qint64 total)>& sent)
{
    QByteArray block(BlockSize, Qt::Uninitialized);
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
        post(QByteArray::fromRawData(block.constData(), read));
        total += read;
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
    close();
}

void CDataInterface::abandon()
{
    stopListening();
    reset();
}
