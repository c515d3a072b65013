#include "net/TmsAttItem.h"

#include <QFileInfo>
#include <QMimeDatabase>

TmsAttItem::TmsAttItem(const QString& filePath)
    : m_filePath(filePath), m_contentType(contentTypeFor(filePath)), m_encoding(encodingFor(m_contentType))
{
}

QString TmsAttItem::FileName() const
{
    return QFileInfo(m_filePath).fileName();
}

QString TmsAttItem::contentTypeFor(const QString& filePath)
{
    // Only the name counts: the file need not exist yet, and its bytes are not looked at.
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QFileInfo(filePath).fileName().toLower());
    if (types.isEmpty() || !types.first().isValid())
        return QStringLiteral("application/octet-stream");
    return types.first().name();
}

QString TmsAttItem::encodingFor(const QString& contentType)
{
    const QString type = contentType.toLower();
    if (type == u"text/plain" || type == u"text/rtf" || type == u"text/html")
        return QStringLiteral("Quoted-Printable");
    if (type == u"message/rfc822")
        return QStringLiteral("7bit");
    return QStringLiteral("Base64");
}
