#include "net/ESocketError.h"
#include "net/TagHTTP.h"

#include "TestServers.h"

#include <gtest/gtest.h>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }
}

TEST(TagHTTPProxy, AProxyNeedsAPortAndEmptyingItEmptiesServer)
{
    TagHTTP http;
    QStringList heard;
    http.OnError = [&](TagSocket&, const QString& message) { heard << message; };
    try {
        http.setProxy(s("proxy.test"));
        ADD_FAILURE() << "a bare host was taken";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.number(), 57006);
        EXPECT_EQ(e.text(), s("Proxy port is required"));
    }
    EXPECT_EQ(heard, QStringList{s("Proxy port is required")});
    EXPECT_TRUE(http.Proxy().isEmpty());

    http.setProxy(s("proxy.test:3128"));
    http.setURL(s("http://origin.test/x"));
    EXPECT_EQ(http.Server(), s("proxy.test:3128"));
    http.setProxy(QString());
    EXPECT_TRUE(http.Server().isEmpty());
}

TEST(TagHTTPProxy, TheRequestLineCarriesTheWholeUrlAndHostTheOrigin)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    http.setProxy(server.address());
    http.setProxyUserName(s("user"));
    http.setProxyPassword(s("secret"));
    // The origin is never contacted: the proxy is the recording server.
    http.setURL(s("http://127.0.0.2:8080/test/len?q=a b"));
    EXPECT_EQ(http.Get(), 200);
    EXPECT_EQ(server.recorded(), "GET http://127.0.0.2:8080/test/len?q=a%20b HTTP/1.1\r\n"
                                 "Host: 127.0.0.2:8080\r\n"
                                 "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"
                                 "Accept: */*\r\nConnection: close\r\n\r\n");
}

TEST(TagHTTPProxy, RequestsPassThroughARealProxyThatChecksCredentials)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TinyProxy proxy(s("user"), s("secret"));
    ASSERT_TRUE(proxy.started()) << "tinyproxy did not start";

    TagHTTP http;
    http.setProxy(proxy.address());
    http.setProxyUserName(s("user"));
    http.setProxyPassword(s("secret"));
    http.setURL(server.url(s("/test/len")));
    EXPECT_EQ(http.Get(), 200);
    EXPECT_EQ(http.Body().readAll(), "Hello from the test server.");
    http.setURL(server.url(s("/test/chunked")));
    http.setPostData(s("name=Big Tool"));
    EXPECT_EQ(http.Post(), 200);
    EXPECT_EQ(http.Body().readAll(), "Hello from two chunks.\n");
    const QByteArray recorded = server.recorded();
    EXPECT_TRUE(recorded.startsWith("GET /test/len HTTP/1.")) << recorded.constData();
    EXPECT_TRUE(recorded.contains("POST /test/chunked HTTP/1.")) << recorded.constData();
    EXPECT_TRUE(recorded.endsWith("\r\n\r\nname=Big Tool\r\n")) << recorded.constData();

    // Refusals are the proxy's answers, not errors: 407 without credentials,
    // and tinyproxy's 401 for wrong ones.
    const QByteArray before = server.recorded();
    http.setURL(server.url(s("/test/len")));
    http.setProxyUserName(QString());
    EXPECT_EQ(http.Get(), 407);
    http.setProxyUserName(s("user"));
    http.setProxyPassword(s("wrong"));
    const int status = http.Get();
    EXPECT_TRUE(status == 401 || status == 407) << status;
    EXPECT_EQ(server.recorded(), before);
}
