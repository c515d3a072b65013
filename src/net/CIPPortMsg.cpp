#include "net/CIPPortMsg.h"

#include <QAbstractSocket>

CIPPortMsg::CIPPortMsg(QObject* parent) : CIPPort(parent) {}

void CIPPortMsg::sendLine(const QString& text)
{
    send(text.toLatin1() + "\r\n");
}

QString CIPPortMsg::readLine(qsizetype longest)
{
    // The CR LF may follow the longest line, so two bytes more show whether one is there.
    const qint64 peekSize = qint64(longest) + 2;
    await([this, peekSize] {
        return !socket() || socket()->canReadLine() || socket()->bytesAvailable() >= peekSize || peerClosed();
    }, false);
    if (!socket())
        throwConnectionError();
    const QByteArray head = socket()->peek(peekSize);
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
    return QString::fromLatin1(line);
}
