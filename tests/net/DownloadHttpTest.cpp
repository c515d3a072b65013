// The download client against the project's Python HTTP server, through a
// proxy (the same server, and Debian's tinyproxy), and against replies a real
// server does not send.
#include "net/ESocketError.h"
#include "net/TDownloadHTTP.h"

#include "TestServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

// What the server's /test/ routes send as a body of `size` bytes.
QByteArray pattern(qsizetype size)
{
    QByteArray piece;
    for (int i = 0; i < 256; ++i)
        piece += char(i);
    return piece.repeated(size / 256 + 1).left(size);
}

// What a download reported, and how it ended ("" when it succeeded).
struct Download {
    QString error;
    QStringList events;
    qint64 lastCount = -1;
    QByteArray text;
};

Download download(TDownloadHTTP& http, const QString& url)
{
    Download result;
    http.setURL(url);
    http.OnConnected = [&](TDownloadHTTP&, int status, const QString& description) {
        result.events << u"connected " + QString::number(status) + u' ' + description;
    };
    http.OnDisconnected = [&](TDownloadHTTP&, int status, const QString& description) {
        result.events << u"disconnected " + QString::number(status) + u' ' + description;
    };
    http.OnHeader = [&](TDownloadHTTP&, const QString& field, const QString& value) {
        result.events << u"header " + field + u'=' + value;
    };
    http.OnTransfer = [&](TDownloadHTTP&, qint64 bytes, const QByteArray& text) {
        EXPECT_GT(bytes, result.lastCount);
        result.lastCount = bytes;
        result.text += text;
    };
    try {
        http.setAction(httpGet);
    } catch (const ESocketError& e) {
        result.error = e.text();
    }
    http.OnConnected = http.OnDisconnected = nullptr;
    http.OnHeader = nullptr;
    http.OnTransfer = nullptr;
    return result;
}

// Debian's tinyproxy on a free port of 127.0.0.1, open to every local client.
class OpenProxy {
public:
    OpenProxy()
    {
        const quint16 port = unusedPort();
        QFile config(m_dir.filePath(s("tinyproxy.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("Listen 127.0.0.1\nPort %1\nAllow 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                                    "LogLevel Error\n")
                         .arg(port)
                         .toLatin1());
        config.close();
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(s("tinyproxy"), {s("-d"), s("-c"), config.fileName()});
        if (!m_process.waitForStarted(15000))
            return;
        QDeadlineTimer deadline(15000);
        while (m_port == 0 && m_process.state() == QProcess::Running && !deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(s("127.0.0.1"), port);
            if (probe.waitForConnected(500))
                m_port = port;
            else
                m_process.waitForFinished(50);
        }
    }
    ~OpenProxy()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    OpenProxy(const OpenProxy&) = delete;
    OpenProxy& operator=(const OpenProxy&) = delete;

    quint16 port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

class DownloadHttpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_server.started());
        m_http.setUserAgent(s("ZentrelWeb"));
        m_http.setTimeOut(10);
        m_http.setLocalFile(target());
    }

    QString target() const { return m_dir.filePath(s("zlsites.zip")); }
    QString served(const QString& name) const { return m_root.filePath(name); }

    QTemporaryDir m_dir;
    QTemporaryDir m_root;
    HttpTestServer m_server{m_root.path()};
    TDownloadHTTP m_http;
};

TEST_F(DownloadHttpTest, SendsTheRequestByteForByteAndStoresTheBody)
{
    const Download got = download(m_http, m_server.url(s("/test/len?x=1")));
    EXPECT_EQ(got.error, QString());
    EXPECT_EQ(m_server.recorded(), QByteArray("GET /test/len?x=1 HTTP/1.0\r\nUser-Agent: ZentrelWeb\r\n\r\n"));
    EXPECT_EQ(readAll(target()), QByteArray("Hello from the test server."));
    EXPECT_EQ(got.events, (QStringList{s("connected 200 OK"), s("header Content-Type=text/plain"),
                                       s("header Content-Length=27"), s("disconnected 0 OK")}));
    EXPECT_EQ(got.lastCount, 27);
    // The body went to the file, not to the handler.
    EXPECT_EQ(got.text, QByteArray());
}

TEST_F(DownloadHttpTest, LargeBodiesArriveWholeWithAndWithoutALength)
{
    const QByteArray archive = randomBytes(500 * 1024, 61);
    ASSERT_TRUE(writeAll(served(s("zlsites.zip")), archive));
    Download got = download(m_http, m_server.url(s("/zlsites.zip")));
    EXPECT_EQ(got.error, QString());
    EXPECT_TRUE(got.events.contains(s("header Content-Length=512000")));
    EXPECT_EQ(got.lastCount, 512000);
    EXPECT_TRUE(readAll(target()) == archive);

    // Without a length the body ends with the connection; the file is replaced whole.
    got = download(m_http, m_server.url(s("/test/unsized?size=512000")));
    EXPECT_EQ(got.error, QString());
    EXPECT_EQ(got.lastCount, 512000);
    EXPECT_TRUE(readAll(target()) == pattern(512000));

    // A chunked body, which an HTTP/1.0 client should never get, still arrives decoded.
    got = download(m_http, m_server.url(s("/test/chunked")));
    EXPECT_EQ(got.error, QString());
    EXPECT_EQ(readAll(target()), QByteArray("Hello from two chunks.\n"));

    // Without a local file the body comes through the handler.
    m_http.setLocalFile(QString());
    got = download(m_http, m_server.url(s("/test/len")));
    EXPECT_EQ(got.error, QString());
    EXPECT_EQ(got.text, QByteArray("Hello from the test server."));
}

TEST_F(DownloadHttpTest, AFailedDownloadLeavesNoFileBehind)
{
    Download got = download(m_http, m_server.url(s("/missing.zip")));
    EXPECT_EQ(got.error, s("404 File not found"));
    EXPECT_EQ(got.events.value(0), s("connected 404 File not found"));
    EXPECT_FALSE(QFileInfo::exists(target()));

    got = download(m_http, m_server.url(s("/test/error")));
    EXPECT_EQ(got.error, s("500 Internal Server Error"));

    // A body shorter than its length is no download.
    got = download(m_http, m_server.url(s("/test/short")));
    EXPECT_EQ(got.error, s("Connection closed before the download was complete"));
    EXPECT_EQ(got.events.last(), s("disconnected 0 Connection closed before the download was complete"));
    EXPECT_FALSE(QFileInfo::exists(target()));

    // An earlier file stays as it was.
    ASSERT_TRUE(writeAll(target(), "earlier"));
    got = download(m_http, m_server.url(s("/test/short")));
    EXPECT_FALSE(got.error.isEmpty());
    EXPECT_EQ(readAll(target()), QByteArray("earlier"));
    EXPECT_EQ(QFileInfo(target()).dir().entryList(QDir::Files), QStringList{s("zlsites.zip")});

    // Nowhere to write: nothing is asked of the server.
    m_http.setLocalFile(m_dir.filePath(s("no/such/folder/zlsites.zip")));
    got = download(m_http, m_server.url(s("/test/len")));
    EXPECT_EQ(got.error, s("Can't open file for reading/writing."));
    EXPECT_EQ(m_server.connections(), 4);
}

TEST_F(DownloadHttpTest, RefusesURLsItCannotAsk)
{
    EXPECT_EQ(download(m_http, s("ftp://127.0.0.1/zlsites.zip")).error, s("Specified URLScheme is invalid."));
    EXPECT_EQ(download(m_http, s("127.0.0.1/zlsites.zip")).error, s("Specified URLScheme is invalid."));
    EXPECT_EQ(download(m_http, s("http:///zlsites.zip")).error, s("No server specified in URL."));
    EXPECT_EQ(download(m_http, s("http://:8080/zlsites.zip")).error, s("No server specified in URL."));
    // A line break would smuggle headers of its own into the request.
    EXPECT_EQ(download(m_http, m_server.url(s("/a\r\nX-Evil: 1"))).error, s("Invalid URL"));
    EXPECT_EQ(m_server.connections(), 0);

    // Blanks are encoded, never split the request line.
    EXPECT_EQ(download(m_http, m_server.url(s("/test/len?a b"))).error, QString());
    EXPECT_TRUE(m_server.recorded().startsWith("GET /test/len?a%20b HTTP/1.0\r\n"));
}

TEST_F(DownloadHttpTest, AsksAProxyForTheWholeURL)
{
    // The test server answers a whole URL as its path, as a proxy would.
    m_http.setProxyServer(s("127.0.0.1"));
    m_http.setProxyPort(m_server.port());
    EXPECT_EQ(download(m_http, s("http://updates.example.test:8080/test/len")).error, QString());
    EXPECT_EQ(download(m_http, s("http://updates.example.test/test/len?v=2")).error, QString());
    EXPECT_EQ(m_server.recorded(), QByteArray("GET http://updates.example.test:8080/test/len HTTP/1.0\r\n"
                                              "User-Agent: ZentrelWeb\r\n\r\n"
                                              "GET http://updates.example.test/test/len?v=2 HTTP/1.0\r\n"
                                              "User-Agent: ZentrelWeb\r\n\r\n"));
    EXPECT_EQ(readAll(target()), QByteArray("Hello from the test server."));
}

TEST_F(DownloadHttpTest, DownloadsThroughTinyproxy)
{
    OpenProxy proxy;
    ASSERT_NE(proxy.port(), 0);
    const QByteArray archive = randomBytes(300 * 1024, 62);
    ASSERT_TRUE(writeAll(served(s("zlsites.zip")), archive));
    m_http.setProxyServer(s("127.0.0.1"));
    m_http.setProxyPort(proxy.port());
    const Download got = download(m_http, m_server.url(s("/zlsites.zip")));
    EXPECT_EQ(got.error, QString());
    EXPECT_TRUE(readAll(target()) == archive);
    // The proxy passed the client's agent on.
    EXPECT_TRUE(m_server.recorded().contains("User-Agent: ZentrelWeb\r\n"));
}

TEST_F(DownloadHttpTest, EveryWaitEnds)
{
    m_http.setTimeOut(1);
    Download got = download(m_http, m_server.url(s("/test/stall")));
    EXPECT_EQ(got.error, s("Operation timed out"));
    EXPECT_FALSE(QFileInfo::exists(target()));

    // Nobody listening.
    got = download(m_http, u"http://127.0.0.1:" + QString::number(unusedPort()) + u"/zlsites.zip");
    EXPECT_EQ(got.error, s("[10061] Connection refused."));

    // Cancelled from the progress handler.
    m_http.setTimeOut(10);
    ASSERT_TRUE(writeAll(served(s("zlsites.zip")), randomBytes(2 * 1024 * 1024, 63)));
    m_http.setURL(m_server.url(s("/zlsites.zip")));
    m_http.OnTransfer = [](TDownloadHTTP& sender, qint64, const QByteArray&) { sender.Cancel(); };
    QString error;
    try {
        m_http.setAction(httpGet);
    } catch (const ESocketError& e) {
        error = e.text();
    }
    EXPECT_EQ(error, s("Operation has been canceled"));
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_EQ(m_http.Action(), httpIdle);
}

TEST_F(DownloadHttpTest, AHostileHeadIsCutOff)
{
    FakeHttpServer fake;
    QByteArray manyLines = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 200; ++i)
        manyLines += "X-Filler: " + QByteArray::number(i) + "\r\n";
    fake.setReply(manyLines + "\r\nbody");
    EXPECT_EQ(download(m_http, fake.url(s("/zlsites.zip"))).error, s("Reply header too large"));

    fake.setReply("HTTP/1.0 200 OK\r\nX-Long: " + QByteArray(100 * 1024, 'x') + "\r\n\r\nbody");
    EXPECT_EQ(download(m_http, fake.url(s("/zlsites.zip"))).error, s("Reply header too large"));

    fake.setReply("SSH-2.0-OpenSSH\r\n");
    EXPECT_EQ(download(m_http, fake.url(s("/zlsites.zip"))).error, s("Invalid reply from server: SSH-2.0-OpenSSH"));
    EXPECT_FALSE(QFileInfo::exists(target()));

    // An interim reply is passed over.
    fake.setReply("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody");
    EXPECT_EQ(download(m_http, fake.url(s("/zlsites.zip"))).error, QString());
    EXPECT_EQ(readAll(target()), QByteArray("body"));
}

} // namespace
