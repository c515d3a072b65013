#include "net/TagHTTP.h"

#include "net/ESocketError.h"
#include "net/TextLines.h"

#include <QFileDevice>

using namespace SocketErrors;

namespace {

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

// A port that is absent, or decimal digits up to 65535.
bool isUsablePort(const QString& authority)
{
    const qsizetype colon = authority.indexOf(u':');
    if (colon < 0)
        return true;
    const QString port = authority.mid(colon + 1);
    if (port.size() > 5)
        return false;
    for (const QChar c : port) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return port.isEmpty() || port.toInt() <= 65535;
}

// A chunk size line: hexadecimal digits, an optional ";" extension, blanks
// around. -1 for anything else, or a size of 2^63 or more.
qint64 chunkSize(const QString& line)
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

} // namespace

TagHTTP::TagHTTP(QObject* parent) : TagSocket(parent)
{
    setServiceName(QStringLiteral("http"));
    setDefaultPort(80);
    m_postBody.open(QIODevice::ReadWrite);
    m_memoryBody.open(QIODevice::ReadWrite);
}

qsizetype TagHTTP::schemeLength(const QString& url) const
{
    return url.startsWith(u"http://", Qt::CaseInsensitive) ? 7 : 0;
}

void TagHTTP::setURL(const QString& url)
{
    const qsizetype scheme = schemeLength(url);
    // Control characters would end the request line or start a header of their own.
    if (scheme == 0 || hasControlCharacter(url))
        fail(InvalidUrl);
    const QString rest = url.mid(scheme);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u'/' && rest[end] != u'?')
        ++end;
    const QString authority = rest.left(end);
    if (!isUsablePort(authority))
        fail(InvalidUrl);
    m_url = url;
    m_origin = authority;
    m_path = end == rest.size() ? QStringLiteral("/") : rest[end] == u'?' ? u'/' + rest.mid(end) : rest.mid(end);
    setServer(m_proxy.isEmpty() ? authority : m_proxy);
}

void TagHTTP::setProxy(const QString& proxy)
{
    if (!proxy.isEmpty() && !proxy.contains(u':'))
        fail(ProxyPortRequired);
    m_proxy = proxy;
    setServer(proxy);
}

void TagHTTP::setPostData(const QString& data)
{
    m_postData = data;
    if (data.isEmpty()) {
        m_postBody.buffer().clear();
        m_postBody.seek(0);
        return;
    }
    for (const QString& line : textLines(data))
        m_postBody.write(line.toLatin1() + "\r\n");
}

int TagHTTP::Get()
{
    BusyScope busy(*this);
    return exchange(false);
}

int TagHTTP::Post()
{
    BusyScope busy(*this);
    return exchange(true);
}

int TagHTTP::exchange(bool post)
{
    m_headers.clear();
    m_bodyCut = false;
    emptyBody();
    try {
        openConnection();
        if (OnSending)
            OnSending(*this);
        sendRequest(post);
        if (post)
            sendStream(m_postBody);
        int status = readStatus();
        // An interim answer; the real one follows in a header block of its own.
        if (status == 100)
            status = readStatus();
        readBody();
        closeConnection();
        Body().seek(0);
        return status;
    } catch (...) {
        closeConnection();
        Body().seek(0);
        throw;
    }
}

void TagHTTP::sendRequest(bool post)
{
    QString target = m_proxy.isEmpty() ? m_path : m_url;
    if (target.isEmpty())
        target = QStringLiteral("/");
    target.replace(QStringLiteral(" "), QStringLiteral("%20"));
    // The origin server, also through a proxy.
    const QString host = m_origin.isEmpty() ? Server() : m_origin;

    sendLine((post ? u"POST " : u"GET ") + target + u" HTTP/1.1");
    sendLine(u"Host: " + host);
    if (!m_proxyUserName.isEmpty()) {
        const QByteArray credentials = (m_proxyUserName + u':' + m_proxyPassword).toLatin1().toBase64();
        sendLine(u"Proxy-Authorization: Basic " + QString::fromLatin1(credentials));
    }
    if (!m_userAgent.isEmpty())
        sendLine(u"User-Agent: " + m_userAgent);
    if (post) {
        sendLine(QStringLiteral("Connection: close"));
        sendLine(u"Content-Type: " + m_contentType);
        sendLine(u"Content-Length: " + QString::number(m_postBody.size()));
    } else {
        sendLine(QStringLiteral("Accept: */*"));
        sendLine(QStringLiteral("Connection: close"));
    }
    sendLine(QString());
}

int TagHTTP::readStatus()
{
    m_headers.clear();
    int lines = 0;
    for (;;) {
        const QString line = receiveLine();
        if (line.isEmpty()) {
            m_headers.append(line);
            break;
        }
        if (++lines > MaxHeaderLines)
            fail(ReplyTooLarge);
        m_headers.append(line);
    }
    const QStringList words = m_headers.first().split(u' ', Qt::SkipEmptyParts);
    bool number = false;
    const int status = words.size() > 1 ? words[1].toInt(&number) : 0;
    return number ? status : -1;
}

QString TagHTTP::headerValue(const QString& name) const
{
    for (qsizetype i = 1; i < m_headers.size(); ++i) {
        const QString& line = m_headers[i];
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && QStringView(line).left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

void TagHTTP::emptyBody()
{
    if (!m_body) {
        m_memoryBody.buffer().clear();
    } else if (auto* file = qobject_cast<QFileDevice*>(m_body)) {
        file->resize(0);
    } else if (auto* buffer = qobject_cast<QBuffer*>(m_body)) {
        buffer->buffer().clear();
    }
    Body().seek(0);
}

void TagHTTP::readBody()
{
    QIODevice& body = Body();
    const qint64 limit = m_body ? -1 : MaxBodyInMemory;
    if (headerValue(QStringLiteral("Transfer-Encoding")).toLower().contains(u"chunked")) {
        qint64 total = 0;
        for (;;) {
            QString line = receiveLine();
            if (line.isEmpty())
                line = receiveLine();
            const qint64 size = chunkSize(line);
            if (size < 0)
                fail(InvalidChunkSize);
            if (size == 0)
                return;
            if (limit >= 0 && size > limit - total) {
                if (limit > total)
                    receiveBytes(body, limit - total);
                m_bodyCut = true;
                return;
            }
            receiveBytes(body, size);
            total += size;
        }
    }
    bool number = false;
    const qint64 length = headerValue(QStringLiteral("Content-Length")).toLongLong(&number);
    m_bodyCut = receiveBytes(body, number && length >= 0 ? length : -1, limit);
}
