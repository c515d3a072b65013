#include "net/HttpReplyReader.h"

#include "net/ESocketError.h"

#include <QIODevice>
#include <QStringView>

using namespace SocketErrors;

int HttpReplyReader::readHead(Source& source, QStringList& headers)
{
    headers.clear();
    int lines = 0;
    for (;;) {
        const QString line = source.replyLine();
        if (line.isEmpty()) {
            headers.append(line);
            break;
        }
        if (++lines > MaxHeaderLines)
            source.replyFault(ReplyTooLarge);
        headers.append(line);
    }
    return statusOf(headers);
}

int HttpReplyReader::statusOf(const QStringList& headers)
{
    const QStringList words = headers.isEmpty() ? QStringList() : headers.first().split(u' ', Qt::SkipEmptyParts);
    bool number = false;
    const int status = words.size() > 1 ? words[1].toInt(&number) : 0;
    return number ? status : -1;
}

QString HttpReplyReader::headerValue(const QStringList& headers, const QString& name)
{
    for (qsizetype i = 1; i < headers.size(); ++i) {
        const QString& line = headers[i];
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && QStringView(line).left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

bool HttpReplyReader::readBody(Source& source, const QStringList& headers, QIODevice& body, qint64 limit)
{
    if (headerValue(headers, QStringLiteral("Transfer-Encoding")).toLower().contains(u"chunked")) {
        qint64 total = 0;
        for (;;) {
            QString line = source.replyLine();
            if (line.isEmpty())
                line = source.replyLine();
            const qint64 size = chunkSize(line);
            if (size < 0)
                source.replyFault(InvalidChunkSize);
            if (size == 0)
                return false;
            if (limit >= 0 && size > limit - total) {
                if (limit > total)
                    source.replyBytes(body, limit - total, -1);
                return true;
            }
            source.replyBytes(body, size, -1);
            total += size;
        }
    }
    bool number = false;
    const qint64 length = headerValue(headers, QStringLiteral("Content-Length")).toLongLong(&number);
    return source.replyBytes(body, number && length >= 0 ? length : -1, limit);
}

qint64 HttpReplyReader::chunkSize(const QString& line)
{
    QString text = line;
    if (const qsizetype semicolon = text.indexOf(u';'); semicolon >= 0)
        text.truncate(semicolon);
    text = text.trimmed();
    if (text.isEmpty())
        return -1;
    quint64 size = 0;
    for (const QChar c : text) {
        const int digit = c.isDigit() ? c.unicode() - u'0'
            : (c >= u'a' && c <= u'f') ? c.unicode() - u'a' + 10
            : (c >= u'A' && c <= u'F') ? c.unicode() - u'A' + 10
            : -1;
        if (digit < 0 || size >> 59 != 0)
            return -1;
        size = size << 4 | quint64(digit);
    }
    return size >> 63 ? -1 : qint64(size);
}
