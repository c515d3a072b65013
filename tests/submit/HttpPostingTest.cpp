#include "RunFixture.h"

#include "submit/THTTPFrm.h"

#include <QTimer>

namespace {
using Outcome = SubmissionRun::Outcome;
}

class HttpPostingTest : public RunFixture {
protected:
    // "A Stalled" never gets an answer; "B Later" posts normally after it.
    void addStalledAndLater()
    {
        startServer();
        addHttpSite("A Stalled", "/test/stall");
        addHttpSite("B Later", "/test/len");
    }
    // Presses a button of the run once the first request has reached the server.
    void pressWhileWaiting(std::function<void()> press)
    {
        auto* timer = new QTimer(model.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, press] {
            if (server->recorded().isEmpty())
                return;
            timer->stop();
            press();
        });
        timer->start(20);
    }
};

TEST_F(HttpPostingTest, SkipDuringAStalledPostFailsThatSiteAndTheNextOneStillPosts)
{
    addStalledAndLater();
    start();
    pressWhileWaiting([this] { run().skipClick(); });
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(log(), (QStringList{s("ERROR:  [Operation has been canceled]"), s("Posting Error - (A Stalled)"),
                                  s("SKIPPED -> A Stalled"), s("Completed HTTP Post to: B Later")}));
    EXPECT_EQ(row("A Stalled").submit, s("New"));
    EXPECT_EQ(row("B Later").submit, s("Update"));
    EXPECT_TRUE(server->recorded().contains("POST /test/len")) << server->recorded().constData();
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 1));
    const QByteArray page = runFile(s("A Stalled _HTTP.htm"));
    EXPECT_TRUE(page.contains("ERROR:  [Operation has been canceled]"));
    EXPECT_TRUE(page.contains("Posting Error - (A Stalled)"));
}

TEST_F(HttpPostingTest, CancelDuringAStalledPostEndsTheRunWithItsReport)
{
    addStalledAndLater();
    start();
    prompts.confirmAnswers = {true, false}; // the cancel question, then "View Report?"
    pressWhileWaiting([this] { run().cancelClick(); });
    EXPECT_EQ(run().submitBtnClick(), Outcome::Cancelled);

    EXPECT_EQ(prompts.messages(), (QStringList{s("confirm: Sure you want to cancel all posts?"),
                                               s("confirm: Submission Process Done. View Report?")}));
    EXPECT_FALSE(server->recorded().contains("POST /test/len")) << "nothing is posted after a cancel";
    EXPECT_EQ(row("A Stalled").submit, s("New"));
    EXPECT_EQ(row("B Later").post, s("Y"));
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
    EXPECT_EQ(run().ProcessedCount(), 0) << "the cancelled site is not counted as processed";
    EXPECT_FALSE(model->Posting());
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(HttpPostingTest, TheDescriptionsAreWrappedBeforeTheFormIsFilled)
{
    startServer();
    addHttpSite("Desc", "/test/len", "d=%APPLONGDESC%");
    start();
    const QString words = QStringLiteral("word ").repeated(19) + QStringLiteral("word");
    model->application().setLongDescription({words});
    // An empty last line is kept: the notes read the same after any number of runs.
    model->application().setNotes({words, QString(), s("end"), QString()});
    model->application().setChanged(false);
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    const QStringList wrapped{QStringLiteral("word ").repeated(14), QStringLiteral("word ").repeated(5) + s("word")};
    EXPECT_EQ(model->application().longDescription(), wrapped);
    EXPECT_EQ(model->application().notes(), (wrapped + QStringList{QString(), s("end"), QString()}));
    EXPECT_TRUE(model->application().changed()) << "the rewrapped texts are edits of the record";
    const QByteArray recorded = server->recorded();
    const QByteArray body = "\r\n\r\nd=" + QByteArray("word%20").repeated(14) + "\r\n"
        + QByteArray("word%20").repeated(5) + "word\r\n";
    EXPECT_TRUE(recorded.endsWith(QByteArray(body)))
        << recorded.constData();
    EXPECT_GT(model->displays().httpBytes(), 0);
}

TEST_F(HttpPostingTest, AScriptOfBlanksOrOneThatDoesNotExpandSendsNothing)
{
    startServer();
    addHttpSite("Blank", "/test/len", "   ");
    addHttpSite("Broken", "/test/len", "name=%NOSUCHNAME%");
    addHttpSite("Unclosed", "/test/len", "name=%APPNAME");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_TRUE(server->recorded().isEmpty()) << server->recorded().constData();
    EXPECT_EQ(log(), (QStringList{s("No Engine Script For HTTP Post For: Blank"), s("Unable to post HTTP to: Blank"),
                                  s("Unable to post HTTP to: Broken"), s("Unable to post HTTP to: Unclosed")}));
    EXPECT_TRUE(runFile(s("Blank _HTTP.htm")).contains("No Engine Script For HTTP Post For: Blank"));
    EXPECT_TRUE(runFile(s("Broken _HTTP.htm")).contains("SCRIPT ERROR FOR Broken"));
    EXPECT_TRUE(runFile(s("Unclosed _HTTP.htm")).contains("SCRIPT ERROR FOR Unclosed"));
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 3));
}

TEST_F(HttpPostingTest, AnUnexpandableUrlIsUsedAsWrittenAReplyWithoutStatusFailsAndALongOneIsCut)
{
    FakeHttpServer fake;
    fake.setReply("no status here\r\n\r\n");
    startServer();
    // The URL's unknown variable stays as written; the server takes the path as it comes.
    addSite("Odd Url", "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/len?x=%NOSUCH%") + "\r\n", "a=1");
    addSite("Silent", "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + fake.url(s("/form")).toLatin1() + "\r\n", "a=1");
    addSite("Too Much", "USE_HTTP_POST=1\r\nHTTP_POST_TYPE=2\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/big?size=4194404&")
                            + "\r\n", "a=1");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_TRUE(server->recorded().startsWith("POST /test/len?x=%NOSUCH% HTTP/1.1\r\n"))
        << server->recorded().constData();
    EXPECT_EQ(fake.connections(), 1);
    EXPECT_EQ(row("Odd Url").submit, s("Update"));
    EXPECT_EQ(row("Silent").submit, s("New")) << "a reply without a status is no answer";
    EXPECT_TRUE(logged(s("ERROR:  [No HTTP status in the reply]")));
    EXPECT_TRUE(logged(s("Posting Error - (Silent)")));
    EXPECT_TRUE(runFile(s("Too Much _HTTP.htm")).contains("[Reply cut at 4 MiB]"));
    EXPECT_EQ(row("Too Much").submit, s("Update")) << "a reply too long to keep is still an answer";
    EXPECT_EQ(reportedCounts(), std::make_pair(2, 1));
}

TEST_F(HttpPostingTest, TheFormGoesThroughTheProxyWithItsCredentials)
{
    startServer();
    TinyProxy proxy(s("user"), s("secret"));
    ASSERT_TRUE(proxy.started()) << "tinyproxy did not start";
    addHttpSite("Proxied", "/test/len");
    const QString port = proxy.address().section(u':', 1);
    writeSettings("SMTP=mail.test\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\nPROXY=127.0.0.1\r\nPORT="
                  + port.toLatin1() + "\r\nPROXYUSERNAME=user\r\nPROXYPASSWORD=secret\r\n");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    const QByteArray recorded = server->recorded();
    EXPECT_TRUE(recorded.startsWith("POST /test/len HTTP/1.")) << recorded.constData();
    EXPECT_TRUE(recorded.contains("tinyproxy")) << "the request came by way of the proxy";
    EXPECT_TRUE(recorded.endsWith("\r\n\r\nname=My%20Tool\r\n")) << recorded.constData();
    EXPECT_EQ(runFile(TReportsFrm::replyFileName(s("Proxied"))), QByteArray("Hello from the test server.\r\n"));
}

TEST_F(HttpPostingTest, AShortProxyIsIgnoredAndAProxyWithoutPortGetsTheDefault)
{
    startServer();
    addHttpSite("Direct", "/test/len");
    writeSettings("SMTP=mail.test\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=7\r\nPROXY=abc\r\nPORT=9\r\n"
                  "PROXYUSERNAME=user\r\n");
    start();
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(server->recorded().startsWith("POST /test/len HTTP/1.1\r\n")) << server->recorded().constData();
    EXPECT_FALSE(server->recorded().contains("Proxy-Authorization"));

    THTTPFrm holder(model->displays(), model->reports());
    EXPECT_EQ(holder.HTTP1.TimeOut(), 90);
    holder.HTTP1.setProxy(s("left.over:1"));
    run().SetupHttpClient(holder);
    EXPECT_EQ(holder.HTTP1.TimeOut(), 7);
    EXPECT_TRUE(holder.HTTP1.Proxy().isEmpty());
    EXPECT_TRUE(holder.HTTP1.ProxyUserName().isEmpty());

    model->settings().proxy = s("prox");
    model->settings().port = s("80");
    model->settings().proxyPassword = s("pw");
    run().SetupHttpClient(holder);
    EXPECT_EQ(holder.HTTP1.Proxy(), s("prox:80"));
    EXPECT_EQ(holder.HTTP1.ProxyUserName(), s("user"));
    EXPECT_EQ(holder.HTTP1.ProxyPassword(), s("pw"));
}
