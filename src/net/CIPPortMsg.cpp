#include "net/CIPPortMsg.h"

#include <QAbstractSocket>

CIPPortMsg::CIPPortMsg(QObject* parent) : CIPPort(parent) {}

void CIPPortMsg::sendLine(const QString& text)
{
    send(text.toLatin1() + "\r\n");
}

QString CIPPortMsg::readLine(qsizetype longest)
{
    return QString::fromLatin1(readRawLine(longest));
}
