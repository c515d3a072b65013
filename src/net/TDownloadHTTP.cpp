#include "net/TDownloadHTTP.h"

#include "net/WaitFor.h"

#include <QAbstractSocket>
#include <QSaveFile>

#include <algorithm>

using namespace SocketErrors;

namespace {

// A reply that is no HTTP reply at all.
constexpr int InvalidReply = 57025;
constexpr quint16 SecurePort = 443;
// The most body bytes taken from the connection at once.
constexpr qint64 BlockSize = 64 * 1024;
// What Qt reads ahead of the body: enough to keep a fast local server busy,
// still a fixed amount however large the download is.
constexpr qint64 BodyBufferSize = 1024 * 1024;

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QString invalidSchemeText()
{
    return QStringLiteral("Specified URLScheme is invalid.");
}

QString openFailedText()
{
    return QStringLiteral("Can't open file for reading/writing.");
}

QString writeFailedText()
{
    return QStringLiteral("Error writing to LocalFile");
}

QString cutShortText()
{
    return QStringLiteral("Connection closed before the download was complete");
}

// The path and query as they go on the request line: blanks and anything
// beyond ASCII percent-encoded (as UTF-8), so neither can split the line.
QByteArray encodedTarget(const QString& path)
{
    QByteArray target;
    for (const char c : path.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f)
            target += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            target += c;
    }
    return target;
}

// Decimal digits only, at most 18 of them; -1 for anything else.
qint64 decimal(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// A chunk size line: hexadecimal digits before an optional ";" extension; -1 for anything else.
qint64 chunkSize(const QString& line)
{
    QString text = line;
    if (const qsizetype semicolon = text.indexOf(u';'); semicolon >= 0)
        text.truncate(semicolon);
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return -1;
    bool ok = false;
    const qint64 size = text.toLongLong(&ok, 16);
    return ok && size >= 0 ? size : -1;
}

} // namespace

TDownloadHTTP::TDownloadHTTP(QObject* parent) : CIPPort(parent) {}

TDownloadHTTP::~TDownloadHTTP() = default;

void TDownloadHTTP::setAction(THttpActions action)
{
    if (action == httpIdle)
        return;
    if (m_busy)
        throw ESocketError(Busy);
    m_busy = true;
    m_cancelled = false;
    m_action = action;
    setStopped(false);
    struct Leave {
        TDownloadHTTP& client;
        ~Leave()
        {
            client.m_busy = false;
            client.m_action = httpIdle;
            client.setStopped(false);
        }
    } leave{*this};
    get();
}

void TDownloadHTTP::Cancel()
{
    if (!m_busy)
        return;
    m_cancelled = true;
    setStopped(true);
    wakeWaits();
}

TDownloadHTTP::Request TDownloadHTTP::requestFor() const
{
    const qsizetype separator = m_url.indexOf(u"://");
    const QString scheme = separator <= 0 ? QString() : m_url.left(separator);
    const bool secure = scheme.compare(u"https", Qt::CaseInsensitive) == 0;
    if (!secure && scheme.compare(u"http", Qt::CaseInsensitive) != 0)
        throw ESocketError(InvalidUrl, invalidSchemeText());
    // A line break or another control character would end the request line early.
    if (hasControlCharacter(m_url))
        throw ESocketError(InvalidUrl);
    const QString rest = m_url.mid(separator + 3);
    qsizetype end = rest.size();
    for (const QChar c : {u'/', u'?', u'#'}) {
        if (const qsizetype at = rest.indexOf(c); at >= 0)
            end = std::min(end, at);
    }
    QString authority = rest.left(end);
    QString path = rest.mid(end);
    // The fragment belongs to the reader, not to the server.
    if (const qsizetype hash = path.indexOf(u'#'); hash >= 0)
        path.truncate(hash);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.mid(at + 1);

    Request request;
    request.secure = secure;
    request.port = secure ? SecurePort : quint16(80);
    request.host = authority;
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        request.host = authority.left(colon);
        const QString portText = authority.mid(colon + 1);
        if (!portText.isEmpty()) {
            const qint64 port = decimal(portText);
            if (port <= 0 || port > 65535)
                throw ESocketError(InvalidUrl);
            request.port = quint16(port);
        }
    }
    if (request.host.isEmpty())
        throw ESocketError(ServerRequired, QStringLiteral("No server specified in URL."));

    const QByteArray target = encodedTarget(path);
    // Inside a tunnel the origin itself reads the request.
    if (m_proxyServer.isEmpty() || secure) {
        request.target = target;
        return request;
    }
    // A proxy is asked for the whole URL.
    request.target = "http://" + encodedTarget(request.host);
    if (request.port != 80)
        request.target += ':' + QByteArray::number(request.port);
    request.target += target;
    return request;
}

void TDownloadHTTP::get()
{
    const Request request = requestFor();
    if (hasControlCharacter(m_userAgent) || hasControlCharacter(m_proxyServer))
        throw ESocketError(10022);
    if (!m_proxyServer.isEmpty() && m_proxyPort == 0)
        throw ESocketError(ProxyPortRequired);

    // The body goes beside LocalFile first; the file itself is replaced only
    // once the whole body is there.
    QSaveFile file(m_localFile);
    QIODevice* out = nullptr;
    if (!m_localFile.isEmpty()) {
        if (!file.open(QIODevice::WriteOnly))
            throw ESocketError(CannotOpenFile, openFailedText());
        out = &file;
    }

    bool connected = false;
    try {
        // Only an encrypted download gets a socket that can encrypt: a plain one stays as it always was.
        setTlsCapable(request.secure);
        if (m_proxyServer.isEmpty())
            connectTo(request.host, request.port);
        else
            connectTo(m_proxyServer, m_proxyPort);
        connected = true;
        QByteArray host;
        if (request.secure) {
            if (!m_proxyServer.isEmpty())
                openTunnel(request);
            // The certificate must be the origin's, through a tunnel too.
            startTls(request.host);
            // An encrypted server often serves many names on one address.
            host = "Host: " + encodedTarget(request.host);
            if (request.port != SecurePort)
                host += ':' + QByteArray::number(request.port);
            host += "\r\n";
        }
        send("GET " + request.target + " HTTP/1.0\r\n" + host + "User-Agent: " + m_userAgent.toLatin1()
             + "\r\n\r\n");
        const Head head = readHead();
        // Decrypted bytes are best taken while they are still in the
        // processor's cache: an encrypted body keeps the connection's smaller
        // buffer, which halves the processor time of a large download.
        if (!request.secure)
            socket()->setReadBufferSize(BodyBufferSize);
        readBody(head, out);
        if (out && !file.commit())
            throw ESocketError(CannotStore, writeFailedText());
    } catch (const EIPPortError& lost) {
        reset();
        try {
            failFor(lost);
        } catch (const ESocketError& failure) {
            if (connected && OnDisconnected)
                OnDisconnected(*this, 0, failure.text());
            throw;
        }
    } catch (const ESocketError& failure) {
        reset();
        if (connected && OnDisconnected)
            OnDisconnected(*this, 0, failure.text());
        throw;
    } catch (...) {
        // A handler's own exception: the download cannot go on without it.
        reset();
        throw;
    }
    close();
    if (OnDisconnected)
        OnDisconnected(*this, 0, QStringLiteral("OK"));
}

void TDownloadHTTP::openTunnel(const Request& request)
{
    const QByteArray target = encodedTarget(request.host) + ':' + QByteArray::number(request.port);
    send("CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\nUser-Agent: " + m_userAgent.toLatin1()
         + "\r\n\r\n");
    // The proxy's own answer, bounded like the origin's head and not reported as it.
    m_headLines = 0;
    const QString status = QString::fromLatin1(readHeadLine());
    const qsizetype blank = status.indexOf(u' ');
    const qint64 code = blank < 0 ? -1 : decimal(status.mid(blank + 1).left(3));
    if (!status.startsWith(u"HTTP/", Qt::CaseInsensitive) || code < 200 || code > 299)
        throw ESocketError(code >= 100 && code <= 999 ? int(code) : InvalidReply,
                           u"Proxy refused the tunnel: " + status.left(200));
    while (!readHeadLine().isEmpty()) {
    }
}

void TDownloadHTTP::failFor(const EIPPortError& error) const
{
    switch (error.kind()) {
    case EIPPortError::Stopped:
    case EIPPortError::Quit: throw ECanceledError();
    case EIPPortError::TimedOut: throw ESocketError(TimedOut);
    case EIPPortError::TooLong: throw ESocketError(ReplyTooLarge);
    case EIPPortError::Closed: throw ESocketError(ClosedEarly);
    case EIPPortError::Failed: break;
    }
    throw ESocketError(error.number(), error.text());
}

QByteArray TDownloadHTTP::readHeadLine()
{
    if (++m_headLines > MaxHeaderLines)
        throw EIPPortError(EIPPortError::TooLong);
    return readRawLine(MaxHeaderLineLength);
}

TDownloadHTTP::Head TDownloadHTTP::readHead()
{
    m_headLines = 0;
    for (;;) {
        const QString status = QString::fromLatin1(readHeadLine());
        const qsizetype blank = status.indexOf(u' ');
        const QString statusText = blank < 0 ? QString() : status.mid(blank + 1).trimmed();
        const qint64 code = decimal(statusText.left(3));
        if (!status.startsWith(u"HTTP/", Qt::CaseInsensitive) || code < 100 || code > 999)
            throw ESocketError(InvalidReply, u"Invalid reply from server: " + status.left(200));
        const QString reason = statusText.mid(3).trimmed();
        if (statusText.front() == u'1') {
            // An interim reply: its head is skipped and the real one follows.
            while (!readHeadLine().isEmpty()) {
            }
            continue;
        }
        if (OnConnected)
            OnConnected(*this, int(code), reason);
        if (statusText.front() != u'2')
            throw ESocketError(int(code), statusText);

        Head head;
        for (;;) {
            const QString line = QString::fromLatin1(readHeadLine());
            if (line.isEmpty())
                return head;
            const qsizetype colon = line.indexOf(u':');
            if (colon <= 0)
                continue;
            const QString field = line.left(colon).trimmed();
            const QString value = line.mid(colon + 1).trimmed();
            if (field.compare(u"Content-Length", Qt::CaseInsensitive) == 0) {
                // A length that is no number counts as none: the body then runs to the close.
                head.length = decimal(value);
            } else if (field.compare(u"Transfer-Encoding", Qt::CaseInsensitive) == 0) {
                head.chunked = value.contains(u"chunked", Qt::CaseInsensitive);
            }
            if (OnHeader)
                OnHeader(*this, field, value);
        }
    }
}

QByteArray TDownloadHTTP::readSome(qint64 most)
{
    await([this] { return !socket() || socket()->bytesAvailable() > 0 || peerClosed(); }, false);
    if (!socket())
        throwConnectionError();
    return socket()->read(std::min(most, socket()->bytesAvailable()));
}

void TDownloadHTTP::deliver(const QByteArray& data, QIODevice* out, qint64& total)
{
    if (out && out->write(data) != data.size())
        throw ESocketError(CannotStore, writeFailedText());
    total += data.size();
    if (OnTransfer)
        OnTransfer(*this, total, out ? QByteArray() : data);
}

void TDownloadHTTP::readBody(const Head& head, QIODevice* out)
{
    qint64 total = 0;
    if (head.chunked) {
        readChunked(out, total);
        return;
    }
    if (head.length < 0) {
        // Without a length the body runs until the server closes.
        for (QByteArray data = readSome(BlockSize); !data.isEmpty(); data = readSome(BlockSize))
            deliver(data, out, total);
        return;
    }
    while (total < head.length) {
        const QByteArray data = readSome(std::min(BlockSize, head.length - total));
        if (data.isEmpty())
            throw ESocketError(ClosedEarly, cutShortText());
        deliver(data, out, total);
    }
}

void TDownloadHTTP::readChunked(QIODevice* out, qint64& total)
{
    for (;;) {
        m_headLines = 0;
        const qint64 size = chunkSize(QString::fromLatin1(readHeadLine()));
        if (size < 0)
            throw ESocketError(InvalidChunkSize);
        if (size == 0)
            break;
        for (qint64 left = size; left > 0;) {
            const QByteArray data = readSome(std::min(BlockSize, left));
            if (data.isEmpty())
                throw ESocketError(ClosedEarly, cutShortText());
            deliver(data, out, total);
            left -= data.size();
        }
        if (!readHeadLine().isEmpty())
            throw ESocketError(InvalidChunkSize);
    }
    // The trailer, up to its empty line, is read and dropped.
    m_headLines = 0;
    while (!readHeadLine().isEmpty()) {
    }
}
