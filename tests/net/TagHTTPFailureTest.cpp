#include "net/ESocketError.h"
#include "net/TagHTTP.h"

#include "TestServers.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <string_view>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// Runs a Get and gives the text it failed with ("" when it did not), after
// checking that OnError heard that text first.
QString getFailure(TagHTTP& http, const QString& url)
{
    QStringList heard;
    http.OnError = [&](TagSocket&, const QString& message) { heard << message; };
    QString text;
    try {
        http.setURL(url);
        http.Get();
    } catch (const ESocketError& e) {
        text = e.text();
        EXPECT_EQ(heard, QStringList{text});
    }
    http.OnError = nullptr;
    return text;
}

} // namespace

TEST(TagHTTPFailure, ARefusedPortIsASocketError)
{
    TagHTTP http;
    bool closed = false;
    http.OnClosed = [&](TagSocket&) { closed = true; };
    EXPECT_EQ(getFailure(http, u"http://127.0.0.1:" + QString::number(unusedPort()) + u"/"),
              s("[10061] Connection refused"));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(http.Connected());
}

TEST(TagHTTPFailure, SilenceAndADripBothTimeOut)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    http.setTimeOut(2);
    EXPECT_EQ(getFailure(http, server.url(s("/test/stall"))), s("Operation timed out"));
    // A byte a second is never a whole line within the time-out.
    EXPECT_EQ(getFailure(http, server.url(s("/test/drip"))), s("Operation timed out"));
    EXPECT_FALSE(http.Connected());
}

// A reply must be whole within the time-out unless it makes real progress: a
// whole piece of its body, or an interim answer, starts a new time-out; a byte
// or a tiny chunk does not.
TEST(TagHTTPFailure, OnlyRealProgressStartsANewTimeOut)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    http.setTimeOut(2);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(getFailure(http, server.url(s("/test/chunk-trickle"))), s("Operation timed out"));
    // Twenty chunks come over ten seconds; the time-out ends the reply long before.
    EXPECT_LT(clock.elapsed(), 8000);

    for (const char* path : {"/test/late-interim", "/test/slow-pieces", "/test/slow-chunks"}) {
        http.setURL(server.url(s(path)));
        try {
            EXPECT_EQ(http.Get(), 200) << path;
        } catch (const ESocketError& e) {
            ADD_FAILURE() << path << ": " << e.text().toStdString();
        }
        if (std::string_view(path) != "/test/late-interim") {
            EXPECT_EQ(http.Body().size(), 3 * 8192) << path;
        }
    }
}

TEST(TagHTTPFailure, CancelDuringAWaitEndsTheCall)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    http.setTimeOut(60);
    QStringList events;
    http.OnCancel = [&](TagSocket&) { events << s("cancel"); };
    http.OnClosed = [&](TagSocket&) { events << s("closed"); };
    QTimer::singleShot(200, [&] { http.Cancel(); });
    http.setURL(server.url(s("/test/stall")));
    try {
        http.Get();
        ADD_FAILURE() << "not cancelled";
    } catch (const ECanceledError& e) {
        EXPECT_EQ(e.number(), 57001);
        EXPECT_EQ(e.text(), s("Operation has been canceled"));
    }
    EXPECT_EQ(events, (QStringList{s("cancel"), s("closed")}));

    // The next request is not cancelled.
    http.setURL(server.url(s("/test/len")));
    EXPECT_EQ(http.Get(), 200);
}

TEST(TagHTTPFailure, HostileRepliesEndWithTheirMessageAndLeaveTheComponentReusable)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    QByteArray manyLines = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 250; ++i)
        manyLines += "X-Line: " + QByteArray::number(i) + "\r\n";
    const struct {
        QByteArray reply;
        bool close;
        const char* message;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(20000, 'a'), false, "Reply header too large"},
        {"HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(TagSocket::MaxLineLength, 'a') + "\r\n\r\n", false,
         "Reply header too large"},
        {manyLines, false, "Reply header too large"},
        {chunked + "5\r\nHello\r\nzz\r\n", false, "Invalid chunk size"},
        {chunked + "8000000000000000\r\n", false, "Invalid chunk size"},
        {chunked + "-5\r\n", false, "Invalid chunk size"},
        {chunked + "5\r\nHello\r\n\r\n\r\n", false, "Invalid chunk size"},
        {"HTTP/1.1 200 OK\r\nContent-Le", true, "Connection closed before the reply was complete"},
        {"", true, "Connection closed before the reply was complete"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 4611686018427387904\r\n\r\nshort", true,
         "Connection closed before the reply was complete"},
        {chunked + "7fffffffffffffff\r\nshort", true, "Connection closed before the reply was complete"},
        {chunked + "5\r\nHello\r\n", true, "Connection closed before the reply was complete"},
    };
    FakeHttpServer server;
    TagHTTP http;
    http.setTimeOut(30);
    for (const auto& c : cases) {
        server.setReply(c.reply, c.close);
        EXPECT_EQ(getFailure(http, server.url(s("/"))), s(c.message)) << c.reply.left(60).constData();
        EXPECT_FALSE(http.Connected());
        server.setReply(ok);
        http.setURL(server.url(s("/")));
        EXPECT_EQ(http.Get(), 200);
        EXPECT_EQ(http.Body().readAll(), "ok");
    }
}

TEST(TagHTTPFailure, OddButReadableRepliesAreTakenAsTheyCome)
{
    FakeHttpServer server;
    TagHTTP http;
    // No status number: -1, and the body runs to the close.
    server.setReply("NONSENSE\r\n\r\nbody");
    http.setURL(server.url(s("/")));
    EXPECT_EQ(http.Get(), -1);
    EXPECT_EQ(http.Body().readAll(), "body");
    // Chunk extensions, blanks and upper-case digits; the trailer is not read.
    server.setReply("HTTP/1.1 201 Created\r\ntransfer-encoding: Chunked\r\n\r\n 5 ;name=v\r\nHello\r\nA\r\n, chunked.\r\n"
                    "0\r\nX-Trailer: 1\r\n\r\n");
    EXPECT_EQ(http.Get(), 201);
    EXPECT_EQ(http.Body().readAll(), "Hello, chunked.");
    // A line as long as allowed is fine.
    server.setReply("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(TagSocket::MaxLineLength - 8, 'a') +
                    "\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(http.Get(), 200);
    EXPECT_EQ(http.Headers()[1].size(), TagSocket::MaxLineLength);
}

TEST(TagHTTPFailure, ASecondCallDuringAWaitIsRefused)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TagHTTP http;
    http.setURL(server.url(s("/test/len")));
    QString fromHandler;
    QString fromEventLoop;
    http.OnProgress = [&](TagSocket&, int, qint64) {
        try {
            http.Get();
        } catch (const ESocketError& e) {
            fromHandler = e.text();
        }
    };
    QTimer::singleShot(0, [&] {
        try {
            http.Post();
        } catch (const ESocketError& e) {
            fromEventLoop = e.text();
        }
    });
    EXPECT_EQ(http.Get(), 200);
    EXPECT_EQ(http.Body().readAll(), "Hello from the test server.");
    EXPECT_EQ(fromHandler, s("Busy performing current action."));
    EXPECT_EQ(fromEventLoop, s("Busy performing current action."));
}

TEST(TagHTTPFailure, ALookupCancelledAsItBeginsLeavesTheNextRequestItsOwnAnswer)
{
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    const QString byName = u"http://localhost:" + QString::number(server.port());
    TagHTTP http;
    http.setTimeOut(10);
    // The first request leaves the name in the lookup cache, so the next lookup
    // answers at once, queued behind the cancel.
    http.setURL(byName + s("/test/len"));
    ASSERT_EQ(http.Get(), 200);
    http.OnOpen = [](TagSocket& socket) { socket.Cancel(); };
    EXPECT_THROW(http.Get(), ECanceledError);
    http.OnOpen = nullptr;
    // A late answer of the cancelled lookup must reach nothing of this one.
    for (int i = 0; i < 3; ++i) {
        http.setURL(byName + s("/test/len"));
        EXPECT_EQ(http.Get(), 200);
    }
}
