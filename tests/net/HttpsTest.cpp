// Both HTTP clients against the project's Python server serving HTTPS with the
// throw-away certificates, directly and through tinyproxy's CONNECT tunnels,
// and against peers that break the handshake.
#include "net/ESocketError.h"
#include "net/TDownloadHTTP.h"
#include "net/TagHTTP.h"
#include "net/TlsSupport.h"

#include "TestServers.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

// How one exchange ended: the status, or the error's number and text with what OnError heard.
struct Outcome {
    int status = 0;
    int number = 0;
    QString error;
    QStringList heard;
};

Outcome get(TagHTTP& http, const QString& url, bool post = false)
{
    Outcome outcome;
    http.OnError = [&outcome](TagSocket&, const QString& text) { outcome.heard << text; };
    try {
        http.setURL(url);
        outcome.status = post ? http.Post() : http.Get();
    } catch (const ESocketError& e) {
        outcome.number = e.number();
        outcome.error = e.text();
    }
    http.OnError = nullptr;
    return outcome;
}

Outcome download(TDownloadHTTP& http, const QString& url, const QString& file)
{
    Outcome outcome;
    http.setURL(url);
    http.setLocalFile(file);
    try {
        http.setAction(httpGet);
    } catch (const ESocketError& e) {
        outcome.number = e.number();
        outcome.error = e.text();
    }
    return outcome;
}

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tls::available()) << "Qt has no TLS backend";
        ASSERT_TRUE(TestCertificates::get().made());
        Tls::setExtraCaFile(TestCertificates::get().ca());
        m_http.setTimeOut(20);
        m_download.setTimeOut(20);
        m_download.setUserAgent(s("ZentrelWeb"));
    }
    void TearDown() override { Tls::setExtraCaFile(QString()); }

    QTemporaryDir m_dir;
    TagHTTP m_http;
    TDownloadHTTP m_download;
};

// A peer that takes the connection and then closes it, or says nothing, at the client's first bytes.
class BrokenHandshakeServer {
public:
    explicit BrokenHandshakeServer(bool close)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, close] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, close] {
                    socket->readAll();
                    if (close)
                        socket->close();
                });
            }
        });
    }
    QString url() const { return u"https://127.0.0.1:" + QString::number(m_server.serverPort()) + u"/file.bin"; }

private:
    QTcpServer m_server;
};

} // namespace

TEST_F(HttpsTest, GetAndPostReachTheOriginEncryptedWithItsHostAndOriginFormPath)
{
    HttpTestServer server(QString(), HttpTestServer::tls());
    ASSERT_TRUE(server.started());
    const QString host = u"Host: 127.0.0.1:" + QString::number(server.port()) + u"\r\n";

    const Outcome got = get(m_http, server.url(s("/test/len?q=a b")));
    EXPECT_EQ(got.status, 200) << got.error.toStdString();
    EXPECT_EQ(m_http.Body().readAll(), "Hello from the test server.");
    // A credential set for a proxy never goes to the origin.
    m_http.setProxyUserName(s("user"));
    m_http.setProxyPassword(s("secret"));
    m_http.setPostData(s("name=Big Tool"));
    const Outcome posted = get(m_http, server.url(s("/test/chunked")), true);
    EXPECT_EQ(posted.status, 200) << posted.error.toStdString();
    EXPECT_EQ(m_http.Body().readAll(), "Hello from two chunks.\n");

    EXPECT_EQ(server.recorded(), "GET /test/len?q=a%20b HTTP/1.1\r\n" + host.toLatin1()
                                     + "Accept: */*\r\nConnection: close\r\n\r\n"
                                       "POST /test/chunked HTTP/1.1\r\n" + host.toLatin1()
                                     + "Connection: close\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                       "Content-Length: 15\r\n\r\nname=Big Tool\r\n");

    // The same server in plain text is refused by the encrypted one: nothing
    // falls back to plain text.
    const Outcome plain = get(m_http, u"http://" + server.address() + u"/test/len");
    EXPECT_NE(plain.status, 200);
    EXPECT_EQ(server.recorded().count("GET "), 1);
}

TEST_F(HttpsTest, AnUntrustedCertificateFailsWithItsReasonAndNothingIsSent)
{
    const QString file = m_dir.filePath(s("zlsites.zip"));
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {
        {"expired", "TLS: certificate has expired (127.0.0.1)"},
        {"selfsigned", "TLS: certificate is self-signed and not trusted (127.0.0.1)"},
        {"wrongname", "TLS: certificate is for another host name (127.0.0.1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        HttpTestServer server(QString(), HttpTestServer::tls(s(c.kind)));
        ASSERT_TRUE(server.started());

        m_http.setPostData(s("password=secret"));
        const Outcome posted = get(m_http, server.url(s("/test/len")), true);
        EXPECT_EQ(posted.number, Tls::Failed);
        EXPECT_EQ(posted.error, s(c.text));
        EXPECT_EQ(posted.heard, QStringList{s(c.text)});

        // The download keeps the file it had.
        ASSERT_TRUE(writeAll(file, "the old archive"));
        const Outcome downloaded = download(m_download, server.url(s("/test/len")), file);
        EXPECT_EQ(downloaded.number, Tls::Failed);
        EXPECT_EQ(downloaded.error, s(c.text));
        EXPECT_EQ(readAll(file), "the old archive");

        EXPECT_EQ(server.connections(), 2);
        EXPECT_EQ(server.recorded(), QByteArray());
    }
}

TEST_F(HttpsTest, TheProxyTunnelsToTheOriginWhichAloneReadsTheRequest)
{
    HttpTestServer server(QString(), HttpTestServer::tls());
    ASSERT_TRUE(server.started());
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server.port()) + "\r\n";
    TinyProxy open;
    TinyProxy guarded(s("user"), s("secret"));
    ASSERT_TRUE(open.started() && guarded.started()) << "tinyproxy did not start";

    m_http.setProxy(open.address());
    const Outcome viaOpen = get(m_http, server.url(s("/test/len")));
    EXPECT_EQ(viaOpen.status, 200) << viaOpen.error.toStdString();
    EXPECT_EQ(m_http.Body().readAll(), "Hello from the test server.");

    m_http.setProxy(guarded.address());
    m_http.setProxyUserName(s("user"));
    m_http.setProxyPassword(s("secret"));
    m_http.setPostData(s("name=Big Tool"));
    const Outcome viaGuarded = get(m_http, server.url(s("/test/chunked")), true);
    EXPECT_EQ(viaGuarded.status, 200) << viaGuarded.error.toStdString();
    EXPECT_EQ(m_http.Body().readAll(), "Hello from two chunks.\n");

    // Origin-form requests, and the proxy's credentials stay with the proxy.
    const QByteArray recorded = server.recorded();
    EXPECT_TRUE(recorded.startsWith(QByteArray("GET /test/len HTTP/1.1\r\n").append(host))) << recorded.constData();
    EXPECT_TRUE(recorded.contains(QByteArray("POST /test/chunked HTTP/1.1\r\n").append(host))) << recorded.constData();
    EXPECT_TRUE(recorded.endsWith("\r\n\r\nname=Big Tool\r\n")) << recorded.constData();
    EXPECT_FALSE(recorded.contains("Proxy-Authorization")) << recorded.constData();

    // The download client through both.
    const QByteArray archive = randomBytes(300 * 1024, 18);
    HttpTestServer files(m_dir.path(), HttpTestServer::tls());
    ASSERT_TRUE(files.started());
    ASSERT_TRUE(writeAll(m_dir.filePath(s("zlsites.zip")), archive));
    for (const TinyProxy* proxy : {&open, &guarded}) {
        const QString target = m_dir.filePath(s("fetched.zip"));
        QFile::remove(target);
        m_download.setProxyServer(s("127.0.0.1"));
        m_download.setProxyPort(quint16(proxy->address().section(u':', 1).toUInt()));
        const Outcome fetched = download(m_download, files.url(s("/zlsites.zip")), target);
        if (proxy == &open) {
            EXPECT_EQ(fetched.error, QString());
            EXPECT_TRUE(readAll(target) == archive);
        } else {
            // The download client has no proxy credentials to give.
            EXPECT_EQ(fetched.number, 407);
            EXPECT_TRUE(fetched.error.startsWith(u"Proxy refused the tunnel: HTTP/1.")) << fetched.error.toStdString();
            EXPECT_FALSE(QFile::exists(target));
        }
    }
    EXPECT_EQ(files.recorded(), "GET /zlsites.zip HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(files.port())
                                    + "\r\nUser-Agent: ZentrelWeb\r\n\r\n");
}

TEST_F(HttpsTest, ARefusedTunnelFailsWithTheProxysStatusLineAndReachesNoOrigin)
{
    HttpTestServer server(QString(), HttpTestServer::tls());
    ASSERT_TRUE(server.started());
    TinyProxy strict(s("user"), s("secret"), {s("ConnectPort 443")});
    ASSERT_TRUE(strict.started()) << "tinyproxy did not start";

    m_http.setProxy(strict.address());
    m_http.setProxyUserName(s("user"));
    m_http.setProxyPassword(s("secret"));
    const Outcome port = get(m_http, server.url(s("/test/len")));
    EXPECT_EQ(port.number, 403);
    EXPECT_TRUE(port.error.startsWith(u"Proxy refused the tunnel: HTTP/1.1 403 ")) << port.error.toStdString();
    EXPECT_EQ(port.heard, QStringList{port.error});
    // A refusal of the credentials is a failure too, not the origin's answer.
    m_http.setProxyPassword(s("wrong"));
    const Outcome credentials = get(m_http, server.url(s("/test/len")));
    EXPECT_TRUE(credentials.number == 401 || credentials.number == 407) << credentials.number;
    EXPECT_TRUE(credentials.error.startsWith(u"Proxy refused the tunnel: HTTP/1.")) << credentials.error.toStdString();

    m_download.setProxyServer(s("127.0.0.1"));
    m_download.setProxyPort(quint16(strict.address().section(u':', 1).toUInt()));
    const Outcome downloaded = download(m_download, server.url(s("/test/len")), m_dir.filePath(s("x.zip")));
    EXPECT_TRUE(downloaded.error.startsWith(u"Proxy refused the tunnel: HTTP/1.")) << downloaded.error.toStdString();
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(HttpsTest, TheDefaultPortIsTunnelledTo443AndLeftOutOfHost)
{
    HttpTestServer server(m_dir.path(), HttpTestServer::tls());
    ASSERT_TRUE(server.started());
    // Asked for port 443, this proxy opens the tunnel to the test server's port.
    FakeHttpServer proxy;
    proxy.setTunnelTo(server.port());
    const QString proxyAddress = u"127.0.0.1:" + QString::number(proxy.port());

    m_http.setProxy(proxyAddress);
    m_http.setUserAgent(s("Zentrel"));
    const Outcome got = get(m_http, s("https://127.0.0.1/test/len"));
    EXPECT_EQ(got.status, 200) << got.error.toStdString();
    ASSERT_TRUE(writeAll(m_dir.filePath(s("zlsites.zip")), "the archive"));
    m_download.setProxyServer(s("127.0.0.1"));
    m_download.setProxyPort(proxy.port());
    const Outcome fetched = download(m_download, s("https://127.0.0.1:443/zlsites.zip"), m_dir.filePath(s("got.zip")));
    EXPECT_EQ(fetched.error, QString());
    EXPECT_EQ(readAll(m_dir.filePath(s("got.zip"))), "the archive");

    EXPECT_EQ(proxy.received(), "CONNECT 127.0.0.1:443 HTTP/1.1\r\nHost: 127.0.0.1:443\r\nUser-Agent: Zentrel\r\n\r\n"
                                "CONNECT 127.0.0.1:443 HTTP/1.0\r\nHost: 127.0.0.1:443\r\nUser-Agent: ZentrelWeb\r\n\r\n");
    EXPECT_EQ(server.recorded(), "GET /test/len HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Zentrel\r\n"
                                 "Accept: */*\r\nConnection: close\r\n\r\n"
                                 "GET /zlsites.zip HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: ZentrelWeb\r\n\r\n");
}

TEST_F(HttpsTest, AHandshakeThatBreaksOffEndsTheExchangeWithItsReason)
{
    const QString file = m_dir.filePath(s("zlsites.zip"));
    BrokenHandshakeServer closing(true);
    const Outcome got = get(m_http, closing.url());
    EXPECT_EQ(got.number, Tls::Failed);
    EXPECT_TRUE(got.error.startsWith(u"TLS: ") && got.error.endsWith(u"(127.0.0.1)")) << got.error.toStdString();
    const Outcome downloaded = download(m_download, closing.url(), file);
    EXPECT_EQ(downloaded.number, Tls::Failed);
    EXPECT_TRUE(downloaded.error.startsWith(u"TLS: ") && downloaded.error.endsWith(u"(127.0.0.1)"))
        << downloaded.error.toStdString();

    // One that never answers the handshake is given up after the time-out.
    BrokenHandshakeServer silent(false);
    m_http.setTimeOut(1);
    m_download.setTimeOut(1);
    EXPECT_EQ(get(m_http, silent.url()).error, s("Operation timed out"));
    EXPECT_EQ(download(m_download, silent.url(), file).error, s("Operation timed out"));
    EXPECT_FALSE(QFile::exists(file));
}
