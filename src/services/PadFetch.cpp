#include "services/PadFetch.h"

#include "net/ESocketError.h"
#include "net/HttpReplyReader.h"
#include "net/TagHTTP.h"
#include "pad/PadDocument.h"
#include "records/ProgramSettings.h"
#include "submit/HttpClientSetup.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QUrl>

namespace {

const QString NothingImported = QStringLiteral("; nothing was imported.");

// The body of one exchange, in memory up to the largest PAD file read. The
// first bytes beyond that are refused, which ends the exchange there rather
// than reading on.
class LimitedBody : public QBuffer {
public:
    LimitedBody() { open(QIODevice::ReadWrite); }
    bool overflowed() const { return m_overflowed; }

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        if (pos() + length > PadDocument::MaxBytes) {
            m_overflowed = true;
            return -1;
        }
        return QBuffer::writeData(data, length);
    }

private:
    bool m_overflowed = false;
};

// An absolute http:// or https:// address with a host, as the client is to
// ask for it; empty for anything else.
QUrl webAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return {};
    // The fragment stays with the browser. A name and password would be taken
    // for the host, and the client sends no origin credentials anyway.
    return url.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// "404 Not Found", as the server sent it: its status line without the
// protocol, kept short and printable, for it comes from the server.
QString answerText(const QStringList& headers)
{
    QString text = headers.isEmpty() ? QString() : headers.first();
    const qsizetype space = text.indexOf(u' ');
    if (space >= 0)
        text = text.mid(space + 1);
    text = text.trimmed().left(80);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    }
    return text.isEmpty() ? QStringLiteral("with no status") : text;
}

} // namespace

PadFetch::PadFetch(const ProgramSettings& settings, QObject* parent) : QObject(parent), m_settings(settings) {}

PadFetch::~PadFetch() = default;

PadFetchResult PadFetch::fetch(const QString& url)
{
    PadFetchResult result;
    if (m_http) {
        result.error = ESocketError::textFor(SocketErrors::Busy);
        return result;
    }
    QUrl current = webAddress(QUrl(url.trimmed()));
    if (current.isEmpty()) {
        result.error = u"The address is not an http:// or https:// address" + NothingImported;
        return result;
    }
    m_cancelled = false;
    emit started();
    const auto ended = qScopeGuard([this] { emit finished(); });
    for (int redirects = 0;;) {
        const QString host = current.authority();
        LimitedBody body;
        TagHTTP http;
        http.OnOpen = [this, host](TagSocket&) { emit statusChanged(u"Connecting to " + host); };
        http.OnSending = [this, host](TagHTTP&) { emit statusChanged(u"Waiting for " + host); };
        http.OnProgress = [this](TagSocket&, int, qint64 bytes) {
            emit statusChanged(QString::number(bytes) + u" bytes received");
        };
        int status = 0;
        {
            m_http = &http;
            const auto done = qScopeGuard([this] { m_http = nullptr; });
            try {
                setupHttpClient(http, m_settings);
                http.setBody(&body);
                http.setURL(current.toString(QUrl::FullyEncoded));
                status = http.Get();
            } catch (const ESocketError& e) {
                if (m_cancelled || e.number() == SocketErrors::Canceled) {
                    result.cancelled = true;
                    return result;
                }
                if (!body.overflowed()) {
                    QString where = host;
                    if (m_settings.hasProxy())
                        where += u" through the proxy " + m_settings.proxyAddress();
                    QString text = e.text();
                    if (text.endsWith(u'.'))
                        text.chop(1);
                    result.error = u"Could not fetch the PAD file from " + where + u": " + text + NothingImported;
                    return result;
                }
                // A body too large to keep ends the file itself; a redirect's
                // or an error's page is not read anyway.
                status = HttpReplyReader::statusOf(http.Headers());
                if (status == 200) {
                    result.error = u"The PAD file is larger than 1 MB" + NothingImported;
                    return result;
                }
            }
        }
        if (m_cancelled) {
            result.cancelled = true;
            return result;
        }

        const QString location = HttpReplyReader::headerValue(http.Headers(), QStringLiteral("Location"));
        if (isRedirect(status) && !location.isEmpty()) {
            if (redirects == MaxRedirects) {
                result.error = u"The server redirected more than " + QString::number(MaxRedirects) + u" times"
                    + NothingImported;
                return result;
            }
            // The header's bytes as they came, so an address in UTF-8 stays one.
            const QUrl next = webAddress(current.resolved(QUrl::fromEncoded(location.toLatin1())));
            if (next.isEmpty()) {
                result.error = u"The server redirected to an address that is not an http:// or https:// address"
                    + NothingImported;
                return result;
            }
            ++redirects;
            current = next;
            emit statusChanged(u"Redirected to " + current.toDisplayString());
            continue;
        }
        if (status != 200) {
            result.error = u"The server answered " + answerText(http.Headers()) + NothingImported;
            return result;
        }
        result.bytes = body.data();
        return result;
    }
}

void PadFetch::cancel()
{
    if (!m_http)
        return;
    m_cancelled = true;
    m_http->Cancel();
}
