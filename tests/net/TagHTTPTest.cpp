#include "net/ESocketError.h"
#include "net/TagHTTP.h"

#include "TestServers.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// The error a call ends with, and what OnError heard before it.
struct Failure {
    int number = 0;
    QString text;
    QStringList heard;
};

template <typename Call>
Failure failureOf(TagSocket& component, Call call)
{
    Failure failure;
    component.OnError = [&](TagSocket&, const QString& message) { failure.heard << message; };
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const ESocketError& e) {
        failure.number = e.number();
        failure.text = e.text();
    }
    component.OnError = nullptr;
    return failure;
}

QByteArray get(TagHTTP& http, const QString& url, int* status = nullptr)
{
    http.setURL(url);
    const int code = http.Get();
    if (status)
        *status = code;
    return http.Body().readAll();
}

} // namespace

TEST(TagHTTP, UrlGivesServerAndPath)
{
    TagHTTP http;
    http.setURL(s("http://example.test"));
    EXPECT_EQ(http.Server(), s("example.test"));
    EXPECT_EQ(http.Path(), s("/"));
    http.setURL(s("hTtP://example.test:8080/a/b?x=1"));
    EXPECT_EQ(http.Server(), s("example.test:8080"));
    EXPECT_EQ(http.Path(), s("/a/b?x=1"));
    http.setURL(s("http://example.test?x=1"));
    EXPECT_EQ(http.Server(), s("example.test"));
    EXPECT_EQ(http.Path(), s("/?x=1"));
}

TEST(TagHTTP, UpperCaseSchemeAsksThatPortForPathAndQuery)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    int status = 0;
    get(http, u"HTTP://" + server.address() + u"/a/b?x=1", &status);
    // No such file: the status is returned, not raised.
    EXPECT_EQ(status, 404);
    EXPECT_TRUE(server.recorded().startsWith("GET /a/b?x=1 HTTP/1.1\r\n"));
}

TEST(TagHTTP, UrlsItCannotSendFailBeforeAnythingConnects)
{
    FakeHttpServer server;
    const QString address = u"127.0.0.1:" + QString::number(server.port());
    TagHTTP http;
    http.setURL(u"http://" + address + u"/kept");
    bool opened = false;
    http.OnOpen = [&](TagSocket&) { opened = true; };
    const QStringList refused{u"ftp://" + address + u"/", u"httpx://" + address + u"/",
                              u"http://" + address + u"/a\r\nX-Injected: 1", u"http://" + address + u"/a\nb",
                              s("http://127.0.0.1:65536/"), s("http://127.0.0.1:99999999999/"),
                              s("http://127.0.0.1:8o/"), s("http:/") + address};
    for (const QString& url : refused) {
        const Failure failure = failureOf(http, [&] { http.setURL(url); });
        EXPECT_EQ(failure.number, 57007) << qPrintable(url);
        EXPECT_EQ(failure.text, s("Invalid URL"));
        EXPECT_EQ(failure.heard, QStringList{s("Invalid URL")});
    }
    EXPECT_EQ(http.URL(), u"http://" + address + u"/kept");
    EXPECT_EQ(http.Path(), s("/kept"));
    EXPECT_FALSE(opened);
    EXPECT_EQ(server.connections(), 0);

    // A component with nowhere to go says so after OnOpen.
    TagHTTP empty;
    empty.OnOpen = [&](TagSocket&) { opened = true; };
    EXPECT_EQ(failureOf(empty, [&] { empty.Get(); }).text, s("Server property is required"));
    EXPECT_TRUE(opened);
}

TEST(TagHTTP, RequestsGoOutByteForByte)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    const QByteArray host = server.address().toLatin1();
    {
        TagHTTP http;
        get(http, server.url(s("/test/len?x=1")));
        EXPECT_EQ(server.recorded(),
                  "GET /test/len?x=1 HTTP/1.1\r\nHost: " + host + "\r\nAccept: */*\r\nConnection: close\r\n\r\n");
    }
    {
        // A seven-character form goes out with the CR LF of its line.
        TagHTTP http;
        http.setURL(server.url(s("/test/len")));
        http.setPostData(s("a=1&b=2"));
        EXPECT_EQ(http.Post(), 200);
        EXPECT_TRUE(server.recorded().endsWith(QByteArray(
            "POST /test/len HTTP/1.1\r\nHost: " + host +
            "\r\nConnection: close\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 9\r\n\r\n"
            "a=1&b=2\r\n")));
    }
    {
        // Blanks in the target are escaped; a user agent and Latin-1 text go out as they are.
        TagHTTP http;
        http.setUserAgent(s("Zentrel"));
        http.setURL(server.url(QString::fromLatin1("/test/len?q=a b\xe9")));
        http.setPostData(QString::fromLatin1("x=\xe9\r\ny=2\r\n"));
        http.Post();
        EXPECT_TRUE(server.recorded().endsWith(QByteArray("POST /test/len?q=a%20b\xe9 HTTP/1.1\r\nHost: " + host +
                                                          "\r\nUser-Agent: Zentrel\r\nConnection: close\r\n"
                                                          "Content-Type: application/x-www-form-urlencoded\r\n"
                                                          "Content-Length: 10\r\n\r\nx=\xe9\r\ny=2\r\n")));
    }
}

TEST(TagHTTP, EveryKindOfBodyComesBackWhole)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    int status = 0;
    EXPECT_EQ(get(http, server.url(s("/test/len")), &status), "Hello from the test server.");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(http.Headers().first(), s("HTTP/1.1 200 OK"));
    EXPECT_TRUE(http.Headers().contains(s("Content-Length: 27")));
    EXPECT_EQ(http.Headers().last(), QString());
    EXPECT_FALSE(http.BodyCut());

    EXPECT_EQ(get(http, server.url(s("/test/chunked"))), "Hello from two chunks.\n");
    EXPECT_EQ(get(http, server.url(s("/test/close"))), "Hello from the test server.\r\nUntil the close.");
    EXPECT_EQ(get(http, server.url(s("/test/error")), &status), "Something broke.");
    EXPECT_EQ(status, 500);

    // The interim answer's header block gives way to the real one.
    http.setURL(server.url(s("/test/continue")));
    http.setPostData(s("a=1"));
    EXPECT_EQ(http.Post(), 200);
    EXPECT_EQ(http.Headers().first(), s("HTTP/1.1 200 OK"));
    EXPECT_EQ(http.Body().readAll(), "Hello from the test server.");

    // A host name is looked up.
    EXPECT_EQ(get(http, u"http://localhost:" + QString::number(server.port()) + u"/test/len"),
              "Hello from the test server.");
}

TEST(TagHTTP, ABodyInMemoryStopsAtItsCapAndAFileTakesItAll)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    constexpr qint64 Size = 5 * 1024 * 1024;
    const QString url = server.url(u"/test/big?size=" + QString::number(Size));
    TagHTTP http;
    int status = 0;
    const QByteArray kept = get(http, url, &status);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(http.BodyCut());
    ASSERT_EQ(kept.size(), TagHTTP::MaxBodyInMemory);
    EXPECT_EQ(quint8(kept[300]), 300 % 256);
    EXPECT_EQ(quint8(kept.back()), (TagHTTP::MaxBodyInMemory - 1) % 256);

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("left over from before");
    http.setBody(&file);
    const QByteArray whole = get(http, url);
    EXPECT_FALSE(http.BodyCut());
    EXPECT_EQ(whole.size(), Size);
    EXPECT_EQ(quint8(whole.back()), (Size - 1) % 256);

    // Exactly the cap is not cut.
    http.setBody(nullptr);
    EXPECT_EQ(get(http, server.url(u"/test/big?size=" + QString::number(TagHTTP::MaxBodyInMemory))).size(),
              TagHTTP::MaxBodyInMemory);
    EXPECT_FALSE(http.BodyCut());
}

TEST(TagHTTP, EventsFireInTheOrderOfTheExchange)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    QStringList events;
    http.OnOpen = [&](TagSocket&) { events << s("open"); };
    http.OnSending = [&](TagHTTP&) { events << s("sending"); };
    http.OnProgress = [&](TagSocket&, int percent, qint64 bytes) {
        events << u"progress " + QString::number(percent) + u' ' + QString::number(bytes);
    };
    http.OnClosing = [&](TagSocket&) { events << s("closing"); };
    http.OnClosed = [&](TagSocket&) { events << s("closed"); };
    get(http, server.url(s("/test/len")));
    EXPECT_EQ(events, (QStringList{s("open"), s("sending"), s("progress 0 0"), s("progress 100 27"), s("closing"),
                                   s("closed")}));

    events.clear();
    get(http, server.url(s("/test/close")));
    EXPECT_EQ(events, (QStringList{s("open"), s("sending"), s("progress 0 0"), s("progress -1 45"), s("closing"),
                                   s("closed")}));
}
