#include "RunFixture.h"

#include <QElapsedTimer>
#include <QHash>

#include <string_view>

#include <sys/resource.h>

namespace {

using Outcome = SubmissionRun::Outcome;

// Seconds each wait of every client may take in the run: HTTP through the
// settings, FTP and mail through their posting objects.
constexpr int TimeOut = 3;
// A site ends within a few of its waits; a drip that restarted the time-out
// with every byte, or a trickle with every line or chunk, would hold it for minutes.
constexpr qint64 SiteLimitMs = (3 * TimeOut + 10) * 1000;
// The whole run may grow the process's peak memory by this much: about 5 MB
// are needed, 25 MB under AddressSanitizer (its shadow and quarantine). A 10 MB
// line kept whole with its text copy breaks either bound.
#if defined(__SANITIZE_ADDRESS__)
#define ZENTREL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZENTREL_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef ZENTREL_ADDRESS_SANITIZER
constexpr long MemoryGrowthLimitKb = 48 * 1024;
#else
constexpr long MemoryGrowthLimitKb = 24 * 1024;
#endif

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One site per misbehaviour: its name, the method it posts by, the words its
// failure must give (the reason the run reports for it) and the words its own
// report page must hold.
struct HostileSite {
    const char* name;
    const char* method;
    const char* message;
    const char* page;
};

const HostileSite Sites[] = {
    {"Ftp Close", "FTP", "", "ERR Event: 142Disconnected: Connection closed before the reply was complete"},
    {"Ftp Drip", "FTP", "Timed out.", "[Unable To Connect.]"},
    {"Ftp Flood", "FTP", "Server reply too long.", "[Unable To Connect.]"},
    {"Ftp Foreign Address", "FTP", "[10061] Connection refused.", "EXCEPTION: [10061] Connection refused."},
    {"Ftp Long Line", "FTP", "Server reply too long.", "[Unable To Connect.]"},
    {"Ftp No Data", "FTP", "Timed out.", "EXCEPTION: Timed out."},
    {"Ftp Tls Cut", "FTP", "TLS: the server closed the connection during the handshake (127.0.0.1)",
     "ERR Event: 57030TLS: the server closed the connection during the handshake (127.0.0.1)"},
    {"Ftp Trickle", "FTP", "Timed out.", "[Unable To Connect.]"},
    {"Ftp Wrong Code", "FTP", "Unexpected server reply.", "EXCEPTION: Unexpected server reply."},
    {"Http Chunk", "HTTP", "[Invalid chunk size]", "ERROR:  [Invalid chunk size]"},
    {"Http Chunk Trickle", "HTTP", "[Operation timed out]", "ERROR:  [Operation timed out]"},
    {"Http Close", "HTTP", "[Connection closed before the reply was complete]",
     "ERROR:  [Connection closed before the reply was complete]"},
    {"Http Drip", "HTTP", "[Operation timed out]", "ERROR:  [Operation timed out]"},
    {"Http Headers", "HTTP", "[Reply header too large]", "ERROR:  [Reply header too large]"},
    {"Http Long Line", "HTTP", "[Reply header too large]", "ERROR:  [Reply header too large]"},
    {"Http Tls Cut", "HTTP", "[TLS: the server closed the connection during the handshake (127.0.0.1)]",
     "ERROR:  [TLS: the server closed the connection during the handshake (127.0.0.1)]"},
    {"Http Trickle", "HTTP", "[Operation timed out]", "ERROR:  [Operation timed out]"},
    {"Http Wrong Code", "HTTP", "[No HTTP status in the reply]", "ERROR:  [No HTTP status in the reply]"},
    // Mail goes to the one server of the settings; it plays their modes in this order.
    {"Mail Close", "EMAIL", "[Connection closed before the reply was complete]",
     "ERROR -> Connection closed before the reply was complete"},
    {"Mail Drip", "EMAIL", "[Operation timed out]", "ERROR -> Operation timed out"},
    {"Mail Flood", "EMAIL", "[Server reply too long]", "ERROR -> Server reply too long"},
    {"Mail Long Line", "EMAIL", "[Server reply too long]", "ERROR -> Server reply too long"},
    {"Mail Tls Cut", "EMAIL", "[TLS: the server closed the connection during the handshake (127.0.0.1)]",
     "ERROR -> TLS: the server closed the connection during the handshake (127.0.0.1)"},
    {"Mail Trickle", "EMAIL", "[Operation timed out]", "ERROR -> Operation timed out"},
    {"Mail Wrong Code", "EMAIL", "[250 Data? What data]", "ERROR -> 250 Data? What data"},
};
const char* const MailModes = "close,drip,flood,longline,tls-cut,trickle,wrongcode";

QByteArray html(const char* text)
{
    return QString::fromLatin1(text).toHtmlEscaped().toLatin1();
}

} // namespace

// A whole run against servers that misbehave, one misbehaviour per site:
// every site fails with its own reason within its time-out, the run ends with
// its report, the site list stays whole and the memory stays bounded.
class HostileRunTest : public RunFixture {
protected:
    std::unique_ptr<HostileServer> hostile;

    void addHostileSites()
    {
        const auto ftpSite = [this](const char* name, const char* listener, const QByteArray& extra = {}) {
            addSite(name, "USE_FTP_UPLOAD=1\r\nFTP_SERVER=" + hostile->address(s(listener)).toLatin1()
                              + "\r\nLOGIN_NAME=zentrel\r\nLOGIN_PASSWORD=secret\r\nREMOTE_PATH=incoming/\r\n" + extra);
        };
        const QByteArray http = "http://" + hostile->address(s("http")).toLatin1();
        const auto httpSite = [this](const char* name, const QByteArray& url) {
            addSite(name, "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url + "\r\n", "name=%APPNAME%");
        };
        const auto mailSite = [this](const char* name) {
            addSite(name, "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\n");
            ws.write(s("sites/") + s(name) + s(" EMAIL_NEW.scp"), "Program: %APPNAME% %APPVERSION%\r\n");
        };
        ftpSite("Ftp Close", "ftp-close");
        ftpSite("Ftp Drip", "ftp-drip");
        ftpSite("Ftp Flood", "ftp-flood");
        ftpSite("Ftp Foreign Address", "ftp-foreign");
        ftpSite("Ftp Long Line", "ftp-longline");
        ftpSite("Ftp No Data", "ftp-nodata");
        ftpSite("Ftp Tls Cut", "ftp-tls-cut", "FTP_TLS=2\r\n");
        ftpSite("Ftp Trickle", "ftp-trickle");
        ftpSite("Ftp Wrong Code", "ftp-wrongcode");
        httpSite("Http Chunk", http + "/chunk");
        httpSite("Http Chunk Trickle", http + "/chunk-trickle");
        httpSite("Http Close", http + "/close");
        httpSite("Http Drip", http + "/drip");
        httpSite("Http Headers", http + "/headers");
        httpSite("Http Long Line", http + "/longline");
        httpSite("Http Tls Cut", "https://" + hostile->address(s("https-cut")).toLatin1() + "/submit");
        httpSite("Http Trickle", http + "/trickle");
        httpSite("Http Wrong Code", http + "/wrongcode");
        for (const HostileSite& site : Sites) {
            if (site.method == std::string_view("EMAIL"))
                mailSite(site.name);
        }
    }
};

TEST_F(HostileRunTest, EverySiteFailsWithItsReasonInTimeAndNothingIsLost)
{
    // A byte a second: every byte, and every line of a trickle, comes well within the time-out.
    hostile = std::make_unique<HostileServer>(QStringList{s("--drip"), s("1"), s("--smtp"), s(MailModes)});
    ASSERT_TRUE(hostile->started());
    writeSettings("SMTP=" + hostile->address(s("smtp")).toLatin1()
                  + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=" + QByteArray::number(TimeOut)
                  + "\r\nFTPRetries=0\r\nFTPPassiveMode=1\r\n");
    addHostileSites();
    QByteArray rows;
    for (const HostileSite& site : Sites)
        rows += line({site.name, "New", "N/A", "N/A", "Unknown", "Y"});
    ws.write(s("data/My Tool_SITES.dat"), rows);

    start();
    model->ftpPosting().setTimeOut(TimeOut);
    model->emailPosting().setTimeOut(TimeOut);
    ASSERT_EQ(list().rows().size(), qsizetype(std::size(Sites)));
    for (int i = 0; i < int(std::size(Sites)); ++i)
        ASSERT_EQ(list().rows().at(i).site, s(Sites[i].name)) << "the mail server plays its modes in the run's order";

    QHash<QString, qint64> elapsed;
    QHash<QString, QString> detail;
    QElapsedTimer clock;
    QObject::connect(&run(), &SubmissionRun::siteStarted, [&](int, int, const QString&) { clock.restart(); });
    QObject::connect(&run(), &SubmissionRun::siteFinished,
                     [&](const QString& site, bool, const QString&) { elapsed.insert(site, clock.elapsed()); });
    QObject::connect(&run(), &SubmissionRun::methodFinished,
                     [&](const QString& site, const QString&, bool, const QString& text) {
                         detail.insert(site, text);
                     });

    const long before = peakKb();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    const long growth = peakKb() - before;

    const QString runLog = log().join(u'\n');
    EXPECT_EQ(reportedCounts(), std::make_pair(0, int(std::size(Sites)))) << runLog.toStdString();
    const QByteArray logPage = runFile(s("LogReport.htm"));
    const QByteArray mainPage = runFile(s("MainReport.htm"));
    for (const HostileSite& site : Sites) {
        SCOPED_TRACE(site.name);
        const QString name = s(site.name);
        ASSERT_TRUE(elapsed.contains(name)) << runLog.toStdString();
        EXPECT_LT(elapsed.value(name), SiteLimitMs);
        const QString reason = detail.value(name);
        EXPECT_TRUE(reason.contains(s(site.message)) && !reason.isEmpty()) << reason.toStdString();
        // The site's own page of the report says what happened.
        const QByteArray page = runFile(name + u" _" + s(site.method) + u".htm");
        EXPECT_TRUE(page.contains(html(site.page))) << page.right(3000).constData();
        // The main page lists it, linked to that page.
        EXPECT_TRUE(mainPage.contains(html(qPrintable((name + u' ' + s(site.method)).toUpper()))));
        // The run's log names the site with its reason.
        const QByteArray logged = site.method == std::string_view("FTP")
            ? html(site.name) + " -&gt; FTP error: " + html(qPrintable(reason))
            : site.method == std::string_view("HTTP") ? "Posting Error - (" + html(site.name) + ")"
                                                      : QByteArray();
        if (!logged.isEmpty()) {
            EXPECT_TRUE(logPage.contains(logged)) << logged.constData();
        }
        EXPECT_EQ(row(site.name).submit, s("New"));
    }
    // Every mail's failure is in the run's log; the refusal the client raises names the site too.
    EXPECT_EQ(runLog.count(s("SMTP Error")), 7) << runLog.toStdString();
    EXPECT_TRUE(logPage.contains("Mail Wrong Code EMail ERROR!!!")) << runLog.toStdString();

    // The mail server met the sites in the order of its modes, and nothing
    // went to the foreign address a passive reply named.
    const QStringList served = hostile->log();
    QStringList modes;
    for (const QString& mode : s(MailModes).split(u','))
        modes << u"smtp connection " + mode;
    EXPECT_EQ(served.filter(QRegularExpression(s("^smtp connection "))), modes);
    EXPECT_FALSE(served.contains(s("foreign connection"))) << served.join(u'\n').toStdString();
    // The data connection is opened before the upload is asked for: the one
    // that never opened ended the site after its PASV, with no STOR sent.
    EXPECT_TRUE(served.contains(s("ftp-nodata PASV"))) << served.join(u'\n').toStdString();
    EXPECT_TRUE(served.filter(QRegularExpression(s("^ftp-nodata (STOR|APPE) "))).isEmpty())
        << served.join(u'\n').toStdString();

    // Every row as it was, byte for byte.
    EXPECT_EQ(sitesFile(), rows);
    EXPECT_FALSE(model->Posting());
    EXPECT_LT(growth, MemoryGrowthLimitKb) << "peak grew by " << growth << " kB";

    for (const HostileSite& site : Sites)
        std::printf("%-20s %6lld ms  %s\n", site.name, static_cast<long long>(elapsed.value(s(site.name))),
                    qPrintable(detail.value(s(site.name))));
    std::printf("peak memory grew by %ld kB\n", growth);
}
