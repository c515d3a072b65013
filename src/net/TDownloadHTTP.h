#pragma once

#include "net/CIPPort.h"

#include <QByteArray>
#include <QString>

#include <functional>

// What setting Action does.
enum THttpActions : int { httpIdle = 0, httpGet };

// Downloads one URL into a local file with an HTTP/1.0 GET, directly or
// through a proxy. An "https://" URL is fetched encrypted, the server's
// certificate checked for the URL's host, through a proxy inside a CONNECT
// tunnel. The call of Action returns when the download has ended; a failure is
// thrown as ESocketError with the text the user reads.
class TDownloadHTTP : public CIPPort {
public:
    explicit TDownloadHTTP(QObject* parent = nullptr);
    ~TDownloadHTTP() override;

    const QString& URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    // The reply body is written there (replaced whole only when the download succeeds).
    const QString& LocalFile() const { return m_localFile; }
    void setLocalFile(const QString& path) { m_localFile = path; }
    // Empty: no proxy.
    const QString& ProxyServer() const { return m_proxyServer; }
    void setProxyServer(const QString& host) { m_proxyServer = host; }
    quint16 ProxyPort() const { return m_proxyPort; }
    void setProxyPort(quint16 port) { m_proxyPort = port; }
    const QString& UserAgent() const { return m_userAgent; }
    void setUserAgent(const QString& agent) { m_userAgent = agent; }
    // Seconds any single wait may take before the download fails with "Operation timed out".
    int TimeOut() const { return m_timeOut; }
    void setTimeOut(int seconds) { m_timeOut = seconds; }

    THttpActions Action() const { return m_action; }
    void setAction(THttpActions action);
    // Ends the download in progress, which then fails with "Operation has been canceled".
    void Cancel();

    // The status line's code and description on connect; on disconnect 0 and a description.
    std::function<void(TDownloadHTTP& sender, int status, const QString& description)> OnConnected;
    std::function<void(TDownloadHTTP& sender, int status, const QString& description)> OnDisconnected;
    std::function<void(TDownloadHTTP& sender, const QString& field, const QString& value)> OnHeader;
    // Bytes of the body so far; text is empty (the body goes to LocalFile).
    std::function<void(TDownloadHTTP& sender, qint64 bytes, const QByteArray& text)> OnTransfer;

    int waitTimeOut() const override { return m_timeOut; }

    // A hostile server cannot make the client keep more than this of the reply head.
    static constexpr qsizetype MaxHeaderLineLength = 64 * 1024;
    static constexpr int MaxHeaderLines = 100;

private:
    // Where the request goes and what it asks for.
    struct Request {
        QString host;
        quint16 port = 80;
        bool secure = false;
        QByteArray target;
    };
    // The end of the reply head: what the body is and how long.
    struct Head {
        qint64 length = -1;
        bool chunked = false;
    };

    Request requestFor() const;
    void get();
    // Asks the proxy for a tunnel to the origin; a refusal fails with the proxy's status line.
    void openTunnel(const Request& request);
    Head readHead();
    // Moves the body from the connection into `out` (LocalFile, or OnTransfer's text without one).
    void readBody(const Head& head, QIODevice* out);
    void readChunked(QIODevice* out, qint64& total);
    // Reads up to `most` body bytes as they arrive; empty once the server has closed.
    QByteArray readSome(qint64 most);
    void deliver(const QByteArray& data, QIODevice* out, qint64& total);
    QByteArray readHeadLine();
    [[noreturn]] void failFor(const EIPPortError& error) const;

    bool m_busy = false;
    bool m_cancelled = false;
    int m_headLines = 0;
    QString m_url;
    QString m_localFile;
    QString m_proxyServer;
    quint16 m_proxyPort = 80;
    QString m_userAgent;
    int m_timeOut = 60;
    THttpActions m_action = httpIdle;
};
