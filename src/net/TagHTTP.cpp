#include "net/TagHTTP.h"

#include "net/ESocketError.h"
#include "net/TextLines.h"

#include <QFileDevice>

using namespace SocketErrors;

namespace {

// A proxy's answer to a tunnel request that carries no status code; the same
// number the download client gives a reply that is no HTTP reply.
constexpr int InvalidReply = 57025;

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
    if (url.startsWith(u"http://", Qt::CaseInsensitive))
        return 7;
    if (url.startsWith(u"https://", Qt::CaseInsensitive))
        return 8;
    return 0;
}

quint16 TagHTTP::servicePort() const
{
    // Straight to an encrypted origin whose URL names no port; a proxy's address always names one.
    return m_secure && m_proxy.isEmpty() ? SecurePort : TagSocket::servicePort();
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
    const bool secure = url.startsWith(u"https://", Qt::CaseInsensitive);
    const qsizetype colon = authority.indexOf(u':');
    const uint port = colon < 0 ? 0 : authority.mid(colon + 1).toUInt();
    m_url = url;
    m_secure = secure;
    m_originHost = colon < 0 ? authority : authority.left(colon);
    m_originPort = port > 0 ? quint16(port) : secure ? SecurePort : quint16(80);
    // A plain origin is named as the URL writes it; an encrypted one with its
    // port only when that is not the default, as browsers name it.
    m_origin = !secure ? authority
        : m_originPort == SecurePort ? m_originHost
                                     : m_originHost + u':' + QString::number(m_originPort);
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
        // Only an encrypted exchange gets a socket that can encrypt: a plain one stays as it always was.
        setTlsCapable(m_secure);
        openConnection();
        if (m_secure) {
            if (!m_proxy.isEmpty())
                openTunnel();
            // The certificate must be the origin's, through a tunnel too.
            startTls(m_originHost);
        }
        if (OnSending)
            OnSending(*this);
        sendRequest(post);
        if (post)
            sendStream(m_postBody);
        int status = readStatus();
        // An interim answer; the real one follows in a header block of its own.
        if (status == 100) {
            newReply();
            status = readStatus();
        }
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

QString TagHTTP::proxyAuthorization() const
{
    const QByteArray credentials = (m_proxyUserName + u':' + m_proxyPassword).toLatin1().toBase64();
    return u"Proxy-Authorization: Basic " + QString::fromLatin1(credentials);
}

void TagHTTP::openTunnel()
{
    if (m_originHost.isEmpty())
        fail(ServerRequired);
    const QString target = m_originHost + u':' + QString::number(m_originPort);
    sendLine(u"CONNECT " + target + u" HTTP/1.1");
    sendLine(u"Host: " + target);
    if (!m_proxyUserName.isEmpty())
        sendLine(proxyAuthorization());
    if (!m_userAgent.isEmpty())
        sendLine(u"User-Agent: " + m_userAgent);
    sendLine(QString());
    // The proxy's own answer, bounded like any reply head. A refusal is no
    // reply of the origin's: the request never reached it.
    const int status = readStatus();
    if (status < 200 || status > 299)
        fail(status > 0 ? status : InvalidReply, u"Proxy refused the tunnel: " + m_headers.first().left(200));
    m_headers.clear();
}

void TagHTTP::sendRequest(bool post)
{
    // A proxy that forwards the request is asked for the whole URL; inside a
    // tunnel the origin itself reads the request.
    const bool forwarded = !m_proxy.isEmpty() && !m_secure;
    QString target = forwarded ? m_url : m_path;
    if (target.isEmpty())
        target = QStringLiteral("/");
    target.replace(QStringLiteral(" "), QStringLiteral("%20"));
    // The origin server, also through a proxy.
    const QString host = m_origin.isEmpty() ? Server() : m_origin;

    sendLine((post ? u"POST " : u"GET ") + target + u" HTTP/1.1");
    sendLine(u"Host: " + host);
    // The proxy's credentials never travel to an encrypted origin.
    if (!m_proxyUserName.isEmpty() && !m_secure)
        sendLine(proxyAuthorization());
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
    return HttpReplyReader::readHead(*this, m_headers);
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
    // The body's first bytes may take a time-out of their own after the head.
    newReply();
    m_bodyCut = HttpReplyReader::readBody(*this, m_headers, Body(), m_body ? -1 : MaxBodyInMemory);
}
