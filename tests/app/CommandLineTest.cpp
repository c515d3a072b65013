#include "app/SingleInstance.h"

#include "../net/TestServers.h"
#include "../support/SiteFiles.h"
#include "../support/TestWorkspace.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <initializer_list>
#include <memory>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// How one start of the program ended.
struct Result {
    int exitCode = -1;
    bool crashed = true;
    QString out;
    QString err;

    QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

// Every file and folder under `root` with a hash of each file's bytes.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        if (it.fileInfo().isDir()) {
            entries.insert(name, "folder");
            continue;
        }
        QFile file(path);
        entries.insert(name, file.open(QIODevice::ReadOnly)
                                 ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                 : QByteArray("unreadable"));
    }
    return entries;
}

} // namespace

// The program run from a script over a workspace holding the company "Acme"
// and the application "My Tool" 2.1 with its archive, posting to the project's
// recording server.
class CommandLine : public ::testing::Test {
protected:
    TestWorkspace ws;
    QTemporaryDir userConfig; // the per-user settings, kept out of the workspace
    std::unique_ptr<HttpTestServer> server;

    void SetUp() override
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
        ws.write(s("files/mytool.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        ws.write(s("data/Applications.dat"), "My Tool\r\n");
        ws.write(s("data/My Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\n8CHAR=mytool\r\nVERSION=2.1\r\n"
                                        "PLATFORM=Windows 95\r\nDSTATUS=Author\r\nSTATUS=Shareware\r\nPATH="
                                            + ws.file(s("files/mytool.zip")).toLocal8Bit() + "\r\n");
        writeSettings(5);
        server = std::make_unique<HttpTestServer>();
        ASSERT_TRUE(server->started());
    }

    void writeSettings(int httpTimeOut) const
    {
        // Mail goes nowhere but to this machine, to a port nothing listens on.
        ws.write(s("settings.dat"), "[SETTINGS]\r\nSMTP=127.0.0.1:" + QByteArray::number(unusedPort())
                                        + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut="
                                        + QByteArray::number(httpTimeOut) + "\r\n");
    }
    QByteArray url(const char* path) const { return server->url(s(path)).toLatin1(); }
    // The workspace as the program names it: links resolved, ending with "/".
    QString folder() const { return QFileInfo(ws.path()).canonicalFilePath() + u'/'; }

    void addSite(const char* name, const QByteArray& keys, const QByteArray& httpNew = {},
                 const QByteArray& categories = {})
    {
        m_sites.add(name, keys, httpNew, categories);
    }
    void addPostSite(const char* name, const char* path)
    {
        addSite(name, "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url(path) + "\r\n", "name=%APPNAME%");
    }

    // Site, Submit, Category1, Category2, Last Post, P: one line of the site list file.
    static QByteArray line(std::initializer_list<QByteArray> fields)
    {
        QByteArray out;
        for (const QByteArray& f : fields)
            out += (out.isEmpty() ? QByteArray() : QByteArray(1, char(0xB1))) + f;
        return out + "\r\n";
    }
    void writeSiteList(const QByteArray& lines) const { ws.write(s("data/My Tool_SITES.dat"), lines); }
    QByteArray siteList() const { return ws.read(s("data/My Tool_SITES.dat")); }
    static QByteArray today()
    {
        return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLatin1();
    }

    // One site for each way a row is posted: a form by POST and by GET, a mail,
    // no method at all, and a freeware-only site marked while it did not fit.
    void writeEverySiteKind()
    {
        addSite("Free Site", "SITE_TYPE=1\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/free") + "\r\n",
                "free=1");
        addSite("Get Site",
                "USE_HTTP_POST=1\r\nHTTP_POST_TYPE=2\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/error?") + "\r\n",
                "a=1\r\nb=x y\r\n");
        addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\n");
        addSite("None Site", "SITES_WEB_URL=http://none.test/\r\n");
        addSite("Post Site", "USE_CAT1=1\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/len") + "\r\n",
                "name=%APPNAME%&v=%APPVERSION%&c=%SITECAT1%", "11\">Games\r\n22\">Utilities\r\n");
        writeSiteList(line({"Free Site", "New", "N/A", "N/A", "Unknown", "Y"})
                      + line({"Get Site", "New", "N/A", "N/A", "Unknown", "Y"})
                      + line({"Mail Site", "New", "N/A", "N/A", "Unknown", "Y"})
                      + line({"None Site", "New", "N/A", "N/A", "Unknown", "Y"})
                      + line({"Post Site", "New", "Utilities", "N/A", "Unknown", "Y"}));
    }

    // The program needs no display: none is offered.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(s(name));
        env.insert(s("XDG_CONFIG_HOME"), userConfig.path());
        return env;
    }
    QStringList withWorkspace(QStringList arguments) const
    {
        return arguments << s("--workspace") << ws.path();
    }
    void start(QProcess& process, const QStringList& arguments) const
    {
        process.setProcessEnvironment(environment());
        process.start(QString::fromLocal8Bit(ZENTREL_PROGRAM), withWorkspace(arguments));
    }
    static Result finish(QProcess& process, int timeoutMs = 20000)
    {
        Result result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
        } else {
            result.crashed = process.exitStatus() != QProcess::NormalExit;
            result.exitCode = process.exitCode();
        }
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }
    Result run(const QStringList& arguments) const
    {
        QProcess process;
        start(process, arguments);
        return finish(process);
    }

    // The main report the summary line names, which must lie in this workspace's reports.
    QString reportOf(const Result& result) const
    {
        const QRegularExpression summary(s("\\. Report: (.*)$"), QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = summary.match(result.out);
        if (!m.hasMatch())
            return {};
        const QString path = m.captured(1);
        return path.startsWith(folder() + u"reports/My Tool/") && path.endsWith(u"/MainReport.htm") ? path : QString();
    }

private:
    SiteFiles m_sites{ws};
};

TEST_F(CommandLine, AWholeRunPostsEachSiteByItsMethodAndSaysSoLineByLine)
{
    writeEverySiteKind();
    const Result r = run({s("--submit"), s("My Tool")});
    ASSERT_FALSE(r.crashed) << qPrintable(r.err);
    EXPECT_EQ(r.exitCode, 1) << "the mail site failed";
    EXPECT_EQ(r.err, QString()) << "a run without problems asks nothing and warns of nothing";

    QStringList lines = r.outLines();
    ASSERT_FALSE(lines.isEmpty());
    const QString summary = lines.takeLast();
    EXPECT_EQ(lines, (QStringList{s("Posting 1 of 4: Get Site"), s("Get Site: HTTP ok"),
                                  s("Posting 2 of 4: Mail Site"),
                                  s("Mail Site: E-mail failed: No Engine Script For EMAIL Post For: Mail Site"),
                                  s("Posting 3 of 4: None Site"), s("Posting 4 of 4: Post Site"),
                                  s("Post Site: HTTP ok")}));
    EXPECT_TRUE(summary.startsWith(u"My Tool: 3 posted, 1 failed. Report: ")) << qPrintable(summary);
    const QString report = reportOf(r);
    ASSERT_FALSE(report.isEmpty()) << qPrintable(summary);
    EXPECT_TRUE(QFileInfo(report).isFile());

    const QByteArray recorded = server->recorded();
    EXPECT_TRUE(recorded.startsWith("GET /test/error?a=1%20b=x%20y HTTP/1.1\r\n")) << recorded.constData();
    EXPECT_TRUE(recorded.contains("POST /test/len HTTP/1.1\r\n")) << recorded.constData();
    EXPECT_TRUE(recorded.endsWith("\r\n\r\nname=My%20Tool&v=2.1&c=22\r\n")) << recorded.constData();
    EXPECT_EQ(recorded.count("HTTP/1.1\r\n"), 2) << "nothing for the mail or the freeware site";

    // The freeware-only site lost its mark when the list was loaded for a shareware application.
    EXPECT_EQ(siteList(), line({"Free Site", "New", "N/A", "N/A", "Unknown", "N"})
                              + line({"Get Site", "Update", "N/A", "N/A", today(), "N"})
                              + line({"Mail Site", "New", "N/A", "N/A", "Unknown", "Y"})
                              + line({"None Site", "Update", "N/A", "N/A", today(), "N"})
                              + line({"Post Site", "Update", "Utilities", "N/A", today(), "N"}));
}

TEST_F(CommandLine, ARunOfOnlySitesThatSucceedEndsWithZeroAndQuietPrintsOnlyTheSummary)
{
    writeEverySiteKind();
    const Result r = run({s("--submit"), s("My Tool"), s("--quiet"), s("--sites"), s("Post Site, None Site")});
    ASSERT_FALSE(r.crashed) << qPrintable(r.err);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.out + r.err);
    ASSERT_EQ(r.outLines().size(), 1) << qPrintable(r.out);
    EXPECT_TRUE(r.out.startsWith(u"My Tool: 2 posted, 0 failed. Report: ")) << qPrintable(r.out);
    EXPECT_FALSE(reportOf(r).isEmpty());

    const QByteArray recorded = server->recorded();
    EXPECT_EQ(recorded.count("HTTP/1.1\r\n"), 1) << recorded.constData();
    EXPECT_TRUE(recorded.startsWith("POST /test/len ")) << recorded.constData();
    // The sites left out keep their rows as they were.
    EXPECT_EQ(siteList(), line({"Free Site", "New", "N/A", "N/A", "Unknown", "N"})
                              + line({"Get Site", "New", "N/A", "N/A", "Unknown", "Y"})
                              + line({"Mail Site", "New", "N/A", "N/A", "Unknown", "Y"})
                              + line({"None Site", "Update", "N/A", "N/A", today(), "N"})
                              + line({"Post Site", "Update", "Utilities", "N/A", today(), "N"}));
}

TEST_F(CommandLine, PreviewsChangeNoFileAndTheDryRunPrintsWhatTheRunThenSends)
{
    writeEverySiteKind();
    // No reports/, images/ or sites/updates/ yet, and a site list that a load would rewrite.
    ASSERT_FALSE(ws.exists(s("reports")));
    const QMap<QString, QByteArray> before = snapshot(ws.path());
    const QMap<QString, QByteArray> configBefore = snapshot(userConfig.path());

    const Result apps = run({s("--list-applications")});
    EXPECT_EQ(apps.exitCode, 0);
    const Result sites = run({s("--list-sites"), s("My Tool")});
    EXPECT_EQ(sites.exitCode, 0);
    const Result dry = run({s("--submit"), s("My Tool"), s("--dry-run")});
    ASSERT_FALSE(dry.crashed) << qPrintable(dry.err);
    EXPECT_EQ(dry.exitCode, 1) << "the mail site would fail";

    EXPECT_EQ(server->connections(), 0) << "a dry run connects to nothing";
    EXPECT_EQ(snapshot(ws.path()), before);
    EXPECT_EQ(snapshot(userConfig.path()), configBefore);
    EXPECT_FALSE(ws.exists(s("reports")));

    const QStringList lines = dry.outLines();
    QStringList headings;
    QString getUrl, postUrl;
    QStringList body;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& l = lines.at(i);
        if (l.startsWith(u"Site "))
            headings << l;
        else if (l.startsWith(u"  HTTP GET "))
            getUrl = l.mid(11);
        else if (l.startsWith(u"  HTTP POST ")) {
            postUrl = l.mid(12);
            // The body's lines follow the caption line, indented.
            for (int j = i + 2; j < lines.size() && lines.at(j).startsWith(u"      "); ++j)
                body << lines.at(j).mid(6);
        }
    }
    EXPECT_EQ(headings, (QStringList{s("Site 1 of 4: Get Site (New)"), s("Site 2 of 4: Mail Site (New)"),
                                     s("Site 3 of 4: None Site (New)"), s("Site 4 of 4: Post Site (New)")}));
    EXPECT_TRUE(dry.out.contains(u"  E-mail: No Engine Script For EMAIL Post For: Mail Site\n")) << qPrintable(dry.out);
    EXPECT_EQ(postUrl, server->url(s("/test/len")));

    // The real run then sends exactly what was shown.
    const Result real = run({s("--submit"), s("My Tool")});
    EXPECT_EQ(real.exitCode, 1);
    EXPECT_EQ(server->connections(), 2) << "one for the GET site, one for the POST site";
    const QByteArray recorded = server->recorded();
    const QString origin = server->url(QString());
    ASSERT_TRUE(getUrl.startsWith(origin)) << qPrintable(getUrl);
    EXPECT_TRUE(recorded.startsWith(QByteArray("GET " + getUrl.mid(origin.size()).toLatin1() + " HTTP/1.1\r\n")))
        << qPrintable(getUrl) << "\n" << recorded.constData();
    ASSERT_FALSE(body.isEmpty()) << qPrintable(dry.out);
    // The body is printed a line a line; each goes out ended by CR LF.
    QString sent;
    for (const QString& l : std::as_const(body))
        sent += l + s("\r\n");
    EXPECT_TRUE(recorded.endsWith(QByteArray("\r\n\r\n" + sent.toLatin1())))
        << qPrintable(sent) << "\n" << recorded.constData();
}

TEST_F(CommandLine, NothingIsRunAndNothingSentWhenTheCommandOrTheRecordsAreWrong)
{
    writeEverySiteKind();
    struct Case {
        QStringList arguments;
        QString message; // the start of standard error
    };
    const QString app = s("My Tool");
    const QList<Case> usage{
        {{s("--bogus")}, s("Unknown option 'bogus'.")},
        {{s("--list-applications"), s("--submit"), app}, s("Give one of")},
        {{s("--list-sites"), app, s("--sites"), s("Post Site")}, s("--sites and --dry-run go with --submit.")},
        {{s("--submit"), s("No Such Tool")}, s("Unknown application: No Such Tool")},
        {{s("--submit"), app, s("--sites"), s("Post Site,Nowhere")}, s("Unknown site: Nowhere")},
        {{s("--submit"), app, s("--sites"), s(",")}, s("--sites names no site.")},
    };
    for (const Case& c : usage) {
        const Result r = run(c.arguments);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(c.arguments.join(u' '));
        EXPECT_TRUE(r.err.startsWith(c.message)) << qPrintable(r.err);
        EXPECT_EQ(r.out, QString()) << qPrintable(c.arguments.join(u' '));
    }

    // The records stop the run with the message the window would show.
    const auto refused = [&](const char* expected) {
        const Result r = run({s("--submit"), app});
        EXPECT_EQ(r.exitCode, 2) << expected;
        EXPECT_EQ(r.err, s(expected) + u'\n');
        EXPECT_EQ(r.out, QString()) << expected;
    };
    QFile::rename(ws.file(s("files/mytool.zip")), ws.file(s("files/gone.zip")));
    refused("You have selected an invalid local path for this application's file.");
    QFile::rename(ws.file(s("files/gone.zip")), ws.file(s("files/mytool.zip")));

    writeSiteList(line({"Post Site", "New", "NOT SET!", "N/A", "Unknown", "Y"}));
    refused("You have a site set to post against that needs a category set. Please set before posting!");

    writeSiteList(line({"Get Site", "New", "N/A", "N/A", "Unknown", "N"})
                  + line({"Mail Site", "New", "N/A", "N/A", "Unknown", "N"})
                  + line({"None Site", "New", "N/A", "N/A", "Unknown", "N"})
                  + line({"Post Site", "New", "Utilities", "N/A", "Unknown", "N"}));
    refused("You do not have any sites set to post!");

    EXPECT_EQ(server->recorded(), QByteArray());
    EXPECT_FALSE(ws.exists(s("reports/My Tool"))) << "no run was reported";
}

TEST_F(CommandLine, RecordsThatCannotBeReadOrAFolderThatHoldsNoneEndWithAMessageNotACrash)
{
    writeEverySiteKind();
    // The second application's long description is a folder: loading it fails.
    ws.write(s("data/Applications.dat"), "My Tool\r\nBroken\r\n");
    ws.write(s("data/Broken.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    ws.makeDir(s("data/Broken.lds"));
    for (const QStringList& arguments : {QStringList{s("--list-sites"), s("Broken")},
                                         QStringList{s("--submit"), s("Broken"), s("--dry-run")},
                                         QStringList{s("--submit"), s("Broken")}}) {
        const Result r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(arguments.join(u' ') + u'\n' + r.err);
        EXPECT_TRUE(r.err.startsWith(s("Cannot open file "))) << qPrintable(r.err);
    }
    // The first application is loaded at start-up, as the window loads it.
    ws.write(s("data/Applications.dat"), "Broken\r\nMy Tool\r\n");
    const Result start = run({s("--list-applications")});
    EXPECT_EQ(start.exitCode, 2);
    EXPECT_EQ(start.err, s("Unable to initialize Zentrel!\n"));
    EXPECT_EQ(server->recorded(), QByteArray());

    // A mistyped folder does not become a new Zentrel folder.
    QTemporaryDir empty;
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(s(ZENTREL_PROGRAM), {s("--workspace"), empty.path(), s("--submit"), s("My Tool")});
    const Result r = finish(process);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(s("No Zentrel records in "))) << qPrintable(r.err);
    EXPECT_EQ(QDir(empty.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(CommandLine, ASimtelSiteWithoutItsPasswordIsNotPostedAndTheDryRunSaysSo)
{
    addPostSite("Post Site", "/test/len");
    addPostSite("Simtel", "/simtel");
    writeSiteList(line({"Post Site", "New", "N/A", "N/A", "Unknown", "Y"})
                  + line({"Simtel", "New", "N/A", "N/A", "Unknown", "Y"}));

    const Result preview = run({s("--submit"), s("My Tool"), s("--dry-run")});
    EXPECT_EQ(preview.exitCode, 1);
    EXPECT_TRUE(preview.out.contains(s("Site 2 of 2: Simtel (New)\n  not posted: no Simtel password\n")))
        << qPrintable(preview.out);
    EXPECT_FALSE(preview.out.contains(s("/simtel"))) << "nothing is shown as sent to it";

    const Result r = run({s("--submit"), s("My Tool")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(s("Post Site: HTTP ok\n"))) << qPrintable(r.out);
    EXPECT_TRUE(r.out.contains(s("Simtel: not posted: no Simtel password\n"))) << qPrintable(r.out);
    EXPECT_FALSE(server->recorded().contains("/simtel"));
    EXPECT_EQ(siteList(), line({"Post Site", "Update", "N/A", "N/A", today(), "N"})
                              + line({"Simtel", "New", "N/A", "N/A", "Unknown", "Y"}));
}

TEST_F(CommandLine, ListsPrintTheApplicationsAndASiteListAsTheSitesTabShowsIt)
{
    ws.write(s("data/Applications.dat"), "Zeta Tool\r\nMy Tool\r\n");
    writeEverySiteKind();

    const Result version = run({s("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, s("Zentrel 2.13\n"));

    const Result apps = run({s("--list-applications")});
    EXPECT_EQ(apps.exitCode, 0);
    EXPECT_EQ(apps.out, s("Zeta Tool\nMy Tool\n")) << "in the list's order";

    const Result sites = run({s("--list-sites"), s("my tool")});
    EXPECT_EQ(sites.exitCode, 0) << qPrintable(sites.err);
    EXPECT_EQ(sites.outLines(),
              (QStringList{s("Site\tType\tSubmit\tCategory1\tCategory2\tH\tF\tZ\tE\tLast Post\tP"),
                           s("Free Site\tFree 16-32\tNew\tN/A\tN/A\tY\tN\tN\tN\tUnknown\tN"),
                           s("Get Site\tAll 16-32\tNew\tN/A\tN/A\tY\tN\tN\tN\tUnknown\tY"),
                           s("Mail Site\tAll 16-32\tNew\tN/A\tN/A\tN\tN\tN\tY\tUnknown\tY"),
                           s("None Site\tAll 16-32\tNew\tN/A\tN/A\tN\tN\tN\tN\tUnknown\tY"),
                           s("Post Site\tAll 16-32\tNew\tUtilities\tN/A\tY\tN\tN\tN\tUnknown\tY")}));
}

// A run waiting on a server that never answers, with a second site after it.
class StalledRun : public CommandLine {
protected:
    QProcess first;

    void SetUp() override
    {
        CommandLine::SetUp();
        writeSettings(60); // the signal ends the wait, never the time-out
        addPostSite("Hanging Site", "/test/stall");
        addPostSite("Post Site", "/test/len");
        writeSiteList(line({"Hanging Site", "New", "N/A", "N/A", "Unknown", "Y"})
                      + line({"Post Site", "New", "N/A", "N/A", "Unknown", "Y"}));
        first.setProcessEnvironment(environment());
        first.start(QString::fromLocal8Bit(ZENTREL_PROGRAM), withWorkspace({s("--submit"), s("My Tool")}));
        ASSERT_TRUE(first.waitForStarted(5000));
        QDeadlineTimer deadline(15000);
        while (!server->recorded().contains("POST /test/stall ") && first.state() == QProcess::Running
               && !deadline.hasExpired())
            first.waitForReadyRead(50);
        ASSERT_TRUE(server->recorded().contains("POST /test/stall ")) << first.readAllStandardError().constData();
    }
    void TearDown() override
    {
        if (first.state() != QProcess::NotRunning) {
            first.kill();
            first.waitForFinished(5000);
        }
    }

    // Interrupts the run: the stalled site is cancelled, the run writes its files and ends.
    void interruptWith(int signal)
    {
        ASSERT_EQ(::kill(pid_t(first.processId()), signal), 0);
        const Result r = finish(first, 15000);
        ASSERT_FALSE(r.crashed) << qPrintable(r.err);
        EXPECT_EQ(r.exitCode, 1);
        const QStringList lines = r.outLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), s("Posting 1 of 2: Hanging Site"));
        EXPECT_TRUE(lines.contains(s("Hanging Site: not posted: cancelled"))) << qPrintable(r.out);
        EXPECT_TRUE(lines.last().startsWith(u"My Tool: 0 posted, 1 failed, interrupted. Report: "))
            << qPrintable(r.out);
        const QString report = reportOf(r);
        ASSERT_FALSE(report.isEmpty()) << qPrintable(r.out);
        EXPECT_TRUE(QFileInfo(report).isFile());
        // The run ended at the stalled site: the next one was not posted.
        EXPECT_FALSE(server->recorded().contains("/test/len")) << server->recorded().constData();
        EXPECT_EQ(siteList(), line({"Hanging Site", "New", "N/A", "N/A", "Unknown", "Y"})
                                  + line({"Post Site", "New", "N/A", "N/A", "Unknown", "Y"}));
    }
};

TEST_F(StalledRun, ASecondRunInTheFolderIsRefusedWhilePreviewsStillWorkAndAnInterruptCancels)
{
    // The folder reached through a link, and written without its last "/", is the same folder.
    QTemporaryDir elsewhere;
    QString bare = ws.path();
    bare.chop(1);
    const QString alias = elsewhere.filePath(s("alias"));
    ASSERT_TRUE(QFile::link(bare, alias));
    for (const QString& written : QStringList{bare, alias + u'/'}) {
        QProcess second;
        second.setProcessEnvironment(environment());
        second.start(QString::fromLocal8Bit(ZENTREL_PROGRAM), {s("--submit"), s("My Tool"), s("--workspace"), written});
        const Result refused = finish(second);
        EXPECT_EQ(refused.exitCode, 3) << qPrintable(written);
        EXPECT_EQ(refused.err,
                  s("Another copy of Zentrel is working in %1; run again when it has ended.\n").arg(folder()));
        EXPECT_EQ(refused.out, QString()) << qPrintable(written);
    }

    const Result dry = run({s("--submit"), s("My Tool"), s("--dry-run")});
    EXPECT_EQ(dry.exitCode, 0) << qPrintable(dry.err);
    EXPECT_TRUE(dry.out.contains(u"  HTTP POST " + server->url(s("/test/stall")))) << qPrintable(dry.out);
    const Result apps = run({s("--list-applications")});
    EXPECT_EQ(apps.exitCode, 0);
    EXPECT_EQ(apps.out, s("My Tool\n"));

    // A window started in the folder learns that a run from a script holds it.
    SingleInstance window(folder());
    EXPECT_FALSE(window.claim(5000));
    EXPECT_TRUE(window.busyElsewhere());

    EXPECT_EQ(first.state(), QProcess::Running);
    interruptWith(SIGINT);
}

TEST_F(StalledRun, TerminatingTheRunCancelsItLikeAnInterrupt)
{
    interruptWith(SIGTERM);
}
