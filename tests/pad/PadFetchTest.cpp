// Fetching a PAD file from the project's PAD server, Debian's own http.server,
// the HTTPS test server and tinyproxy, all on loopback addresses.
#include "services/PadFetch.h"

#include "net/TlsSupport.h"
#include "records/ProgramSettings.h"

#include "../net/TestServers.h"

#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

const QString Corpus = QStringLiteral(ZENTREL_SOURCE_DIR "/tests/pad/corpus");
const QString Sample = Corpus + u"/fetch-sample.xml";

// Debian's `python3 -m http.server` serving a folder on a free port of
// 127.0.0.1: a plain server that is none of ours. Stopped when this object goes.
class DebianHttpServer {
public:
    explicit DebianHttpServer(const QString& folder)
    {
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(s("/usr/bin/python3"), {s("-u"), s("-m"), s("http.server"), s("0"), s("--bind"),
                                                s("127.0.0.1"), s("--directory"), folder});
        // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
        const QRegularExpression announced(s("port (\\d+)"));
        while (m_process.waitForReadyRead(15000)) {
            if (!m_process.canReadLine())
                continue;
            const QRegularExpressionMatch match = announced.match(QString::fromLatin1(m_process.readLine()));
            if (match.hasMatch()) {
                m_port = quint16(match.captured(1).toUInt());
                break;
            }
        }
    }
    ~DebianHttpServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool started() const { return m_port != 0; }
    QString url(const QString& path) const { return u"http://127.0.0.1:" + QString::number(m_port) + path; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

struct PadFetchTest : ::testing::Test {
    ProgramSettings settings;
    PadFetch fetch{settings};
    QStringList statuses;

    PadFetchTest()
    {
        settings.httpTimeOut = 20;
        QObject::connect(&fetch, &PadFetch::statusChanged, [this](const QString& text) { statuses << text; });
    }
};

void expectRefused(const PadFetchResult& result, const QString& error)
{
    EXPECT_EQ(result.error, error);
    EXPECT_TRUE(result.bytes.isEmpty());
    EXPECT_FALSE(result.cancelled);
}

TEST_F(PadFetchTest, AFileFromAPlainServerArrivesByteForByte)
{
    DebianHttpServer server(Corpus);
    ASSERT_TRUE(server.started());
    const QByteArray expected = readAll(Sample);
    ASSERT_FALSE(expected.isEmpty());

    const PadFetchResult result = fetch.fetch(server.url(s("/fetch-sample.xml")));
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.bytes, expected);
    EXPECT_TRUE(statuses.contains(u"Connecting to 127.0.0.1:" + server.url(QString()).section(u':', 2)));
    EXPECT_TRUE(statuses.contains(QString::number(expected.size()) + u" bytes received"));
    EXPECT_FALSE(fetch.busy());
}

TEST_F(PadFetchTest, FollowsFiveRedirectsAndRefusesTheSixthOrAnyLoop)
{
    PadTestServer server(Sample);
    ASSERT_TRUE(server.started());
    const QByteArray expected = readAll(Sample);

    // Relative addresses, every redirect status in turn.
    for (const char* path : {"/redirect/2", "/redirect/5"}) {
        const PadFetchResult result = fetch.fetch(server.url(s(path)));
        EXPECT_TRUE(result.ok()) << path << ": " << result.error.toStdString();
        EXPECT_EQ(result.bytes, expected) << path;
    }
    EXPECT_TRUE(server.recorded().contains("GET /redirect/1 HTTP/1.1"));

    const QString tooMany = s("The server redirected more than 5 times; nothing was imported.");
    const qsizetype fileAsked = server.recorded().count("GET /pad ");
    expectRefused(fetch.fetch(server.url(s("/redirect/6"))), tooMany);
    EXPECT_EQ(server.recorded().count("GET /pad "), fileAsked) << "the sixth redirect is not followed";
    expectRefused(fetch.fetch(server.url(s("/redirect-loop"))), tooMany);

    expectRefused(fetch.fetch(server.url(s("/redirect-ftp"))),
                  s("The server redirected to an address that is not an http:// or https:// address; "
                    "nothing was imported."));
}

TEST_F(PadFetchTest, ARedirectToAnotherHostAsksThatHostForItself)
{
    PadTestServer first;
    PadTestServer other(Sample, s("127.0.0.2"));
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(other.started());
    const QString target = other.url(s("/pad"));

    const PadFetchResult result = fetch.fetch(first.url(u"/to?location=" + target));
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.bytes, readAll(Sample));
    const QByteArray host = "Host: 127.0.0.2:" + QByteArray::number(other.port());
    EXPECT_TRUE(other.recorded().contains(host)) << other.recorded().toStdString();
    EXPECT_FALSE(first.recorded().contains("GET /pad")) << "the file is not asked of the first host";
}

TEST_F(PadFetchTest, OnlyA200AnswerGivesBytes)
{
    PadTestServer server;
    ASSERT_TRUE(server.started());
    expectRefused(fetch.fetch(server.url(s("/missing"))), s("The server answered 404 Not Found; nothing was imported."));
    expectRefused(fetch.fetch(server.url(s("/bare-status"))), s("The server answered 500; nothing was imported."));

    // Whether a page is a PAD file is the reader's question, not the fetch's.
    const PadFetchResult page = fetch.fetch(server.url(s("/html")));
    EXPECT_TRUE(page.ok());
    EXPECT_TRUE(page.bytes.startsWith("<!DOCTYPE html>"));
}

TEST_F(PadFetchTest, ABodyTooLargeOrCutShortGivesNoBytes)
{
    PadTestServer server;
    ASSERT_TRUE(server.started());
    const PadFetchResult big = fetch.fetch(server.url(s("/big")));
    expectRefused(big, s("The PAD file is larger than 1 MB; nothing was imported."));
    EXPECT_FALSE(statuses.contains(QString::number(2 * 1024 * 1024) + u" bytes received"))
        << "reading stops at the limit";

    // A close before the promised length is a broken transfer, not a large file.
    const QString host = u"127.0.0.1:" + QString::number(server.port());
    expectRefused(fetch.fetch(server.url(s("/cut"))),
                  u"Could not fetch the PAD file from " + host
                      + u": Connection closed before the reply was complete; nothing was imported.");
}

TEST_F(PadFetchTest, ConnectionFailuresNameTheHostAndCancelEndsQuietly)
{
    const quint16 closed = unusedPort();
    expectRefused(fetch.fetch(u"http://127.0.0.1:" + QString::number(closed) + u"/pad.xml"),
                  u"Could not fetch the PAD file from 127.0.0.1:" + QString::number(closed)
                      + u": [10061] Connection refused; nothing was imported.");

    PadTestServer server;
    ASSERT_TRUE(server.started());
    const QString host = u"127.0.0.1:" + QString::number(server.port());
    settings.httpTimeOut = 2;
    expectRefused(fetch.fetch(server.url(s("/silent"))),
                  u"Could not fetch the PAD file from " + host + u": Operation timed out; nothing was imported.");

    // "Cancel" in the progress dialog, once the request is out.
    settings.httpTimeOut = 30;
    bool wasBusy = false;
    const QMetaObject::Connection onWait = QObject::connect(&fetch, &PadFetch::statusChanged, [&](const QString& text) {
        if (text.startsWith(u"Waiting for"))
            QTimer::singleShot(0, &fetch, [&] {
                wasBusy = fetch.busy();
                fetch.cancel();
            });
    });
    const PadFetchResult cancelled = fetch.fetch(server.url(s("/silent")));
    QObject::disconnect(onWait);
    EXPECT_TRUE(wasBusy);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.error.isEmpty()) << "a cancel needs no message";
    EXPECT_TRUE(cancelled.bytes.isEmpty());
    EXPECT_FALSE(fetch.busy());

    // The next fetch is not taken for cancelled too.
    EXPECT_TRUE(fetch.fetch(server.url(s("/pad"))).ok());
}

TEST_F(PadFetchTest, AnythingButAWebAddressFailsBeforeConnecting)
{
    PadTestServer server;
    ASSERT_TRUE(server.started());
    const QString port = QString::number(server.port());
    const QString notWeb = s("The address is not an http:// or https:// address; nothing was imported.");
    const QStringList addresses{QString(), s("   "), u"ftp://127.0.0.1:" + port + u"/pad",
                                u"127.0.0.1:" + port + u"/pad", s("http://"), s("file:///etc/passwd")};
    for (const QString& url : addresses)
        expectRefused(fetch.fetch(url), notWeb);
    EXPECT_TRUE(server.recorded().isEmpty());
    EXPECT_TRUE(statuses.isEmpty());

    // Blanks around a pasted address and the page's fragment are no part of the request.
    EXPECT_TRUE(fetch.fetch(u"  HTTP://127.0.0.1:" + port + u"/pad#top ").ok());
    EXPECT_TRUE(server.recorded().startsWith("GET /pad HTTP/1.1\r\n")) << server.recorded().toStdString();
}

TEST_F(PadFetchTest, HttpsFetchesTrustOnlyAVerifiedServer)
{
    ASSERT_TRUE(Tls::available()) << "Qt has no TLS backend";
    ASSERT_TRUE(TestCertificates::get().made());
    Tls::setExtraCaFile(TestCertificates::get().ca());
    const auto untrust = qScopeGuard([] { Tls::setExtraCaFile(QString()); });

    HttpTestServer server(Corpus, HttpTestServer::tls());
    ASSERT_TRUE(server.started());
    const PadFetchResult result = fetch.fetch(server.url(s("/fetch-sample.xml")));
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.bytes, readAll(Sample));

    HttpTestServer impostor(Corpus, HttpTestServer::tls(s("selfsigned")));
    ASSERT_TRUE(impostor.started());
    const PadFetchResult refused = fetch.fetch(impostor.url(s("/fetch-sample.xml")));
    EXPECT_TRUE(refused.bytes.isEmpty());
    EXPECT_TRUE(refused.error.startsWith(u"Could not fetch the PAD file from " + impostor.address() + u": TLS: "))
        << refused.error.toStdString();
    EXPECT_TRUE(refused.error.endsWith(u"; nothing was imported."));
}

TEST_F(PadFetchTest, GoesThroughTheSettingsProxyWithItsCredentials)
{
    PadTestServer server(Sample);
    TinyProxy proxy(s("zed"), s("pw"));
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(proxy.started());
    settings.proxy = s("127.0.0.1");
    settings.port = proxy.address().section(u':', 1);
    settings.proxyUserName = s("zed");
    settings.proxyPassword = s("pw");

    const PadFetchResult result = fetch.fetch(server.url(s("/redirect/1")));
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.bytes, readAll(Sample));
    EXPECT_EQ(server.recorded().count("\nVia: "), 2) << "both requests passed the proxy";

    // A refusal by the proxy is told as the proxy's answer.
    settings.proxyUserName.clear();
    settings.proxyPassword.clear();
    const PadFetchResult refused = fetch.fetch(server.url(s("/pad")));
    EXPECT_TRUE(refused.bytes.isEmpty());
    EXPECT_TRUE(refused.error.startsWith(s("The server answered 407"))) << refused.error.toStdString();
}

} // namespace
