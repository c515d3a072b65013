#pragma once

#include "net/HttpReplyReader.h"
#include "net/TagSocket.h"

#include <QBuffer>
#include <QStringList>

// An HTTP/1.1 client: one GET or one form POST per connection, directly or
// through a proxy, in plain text or, for an "https://" URL, encrypted with the
// server's certificate checked for the URL's host (through a proxy inside a
// CONNECT tunnel). Get() and Post() return the server's status code (HTTP
// errors are not raised) and fill Headers and Body.
class TagHTTP : public TagSocket, private HttpReplyReader::Source {
public:
    explicit TagHTTP(QObject* parent = nullptr);

    // An absolute "http://" or "https://" URL; sets Server and Path. Anything
    // else, a control character or a port above 65535 fails with "Invalid URL".
    const QString& URL() const { return m_url; }
    void setURL(const QString& url);
    // "host:port" of an HTTP proxy, or empty. It becomes Server, so set it before URL.
    const QString& Proxy() const { return m_proxy; }
    void setProxy(const QString& proxy);
    const QString& ProxyUserName() const { return m_proxyUserName; }
    void setProxyUserName(const QString& name) { m_proxyUserName = name; }
    const QString& ProxyPassword() const { return m_proxyPassword; }
    void setProxyPassword(const QString& password) { m_proxyPassword = password; }
    // Empty sends no User-Agent line.
    const QString& UserAgent() const { return m_userAgent; }
    void setUserAgent(const QString& agent) { m_userAgent = agent; }
    const QString& ContentType() const { return m_contentType; }
    void setContentType(const QString& type) { m_contentType = type; }
    // The path of URL, at least "/".
    const QString& Path() const { return m_path; }

    // Writes the form's lines, each ended by CR LF, to PostBody at its
    // position; empty empties PostBody.
    const QString& PostData() const { return m_postData; }
    void setPostData(const QString& data);
    // What Post() sends; a caller may also write raw bytes into it.
    QBuffer& PostBody() { return m_postBody; }

    // Fired just before the request is written.
    std::function<void(TagHTTP& sender)> OnSending;

    // The reply's status line and header lines, ending with the empty line.
    const QStringList& Headers() const { return m_headers; }
    // The reply's body, at its start after a request. In memory it keeps at
    // most MaxBodyInMemory bytes and drops the rest (BodyCut); a device set
    // with setBody() gets the whole body.
    QIODevice& Body() { return m_body ? *m_body : m_memoryBody; }
    // A device open for writing (a file) to take the body in place of memory,
    // or null for memory again. The component does not own it.
    void setBody(QIODevice* device) { m_body = device; }
    bool BodyCut() const { return m_bodyCut; }

    int Get();
    int Post();

    static constexpr qint64 MaxBodyInMemory = 4 * 1024 * 1024;
    static constexpr int MaxHeaderLines = HttpReplyReader::MaxHeaderLines;
    static constexpr quint16 SecurePort = 443;

protected:
    // How many leading characters of the URL name a scheme this client speaks; 0 for any other.
    virtual qsizetype schemeLength(const QString& url) const;
    quint16 servicePort() const override;

private:
    int exchange(bool post);
    // Asks the proxy for a tunnel to the origin; a refusal fails with its status line.
    void openTunnel();
    void sendRequest(bool post);
    QString proxyAuthorization() const;
    int readStatus();
    void readBody();
    void emptyBody();

    // The reply reader's view of the connection.
    QString replyLine() override { return receiveLine(); }
    bool replyBytes(QIODevice& stream, qint64 count, qint64 limit) override
    {
        return receiveBytes(stream, count, limit);
    }
    [[noreturn]] void replyFault(int number) override { fail(number); }

    QString m_url;
    bool m_secure = false;
    // The origin server's "host" or "host:port", as the URL names it (an
    // encrypted one without its default port).
    QString m_origin;
    // The origin's host and port, for the certificate check and the tunnel.
    QString m_originHost;
    quint16 m_originPort = 80;
    QString m_path = QStringLiteral("/");
    QString m_proxy;
    QString m_proxyUserName;
    QString m_proxyPassword;
    QString m_userAgent;
    QString m_contentType = QStringLiteral("application/x-www-form-urlencoded");
    QString m_postData;
    QBuffer m_postBody;
    QStringList m_headers;
    QBuffer m_memoryBody;
    QIODevice* m_body = nullptr;
    bool m_bodyCut = false;
};
