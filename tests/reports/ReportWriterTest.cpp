#include "records/Clock.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"
#include "reports/ReportHtml.h"
#include "reports/TReportsFrm.h"

#include "QtPrinters.h"
#include "../support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// A writer over a test workspace, with a clock that stands still unless a test moves it.
struct ReportRun : ::testing::Test {
    TestWorkspace ws;
    QString app = s("Tool");
    QStringList log;
    QStringList transfer;
    QDateTime moment{QDate(2026, 3, 7), QTime(9, 5, 2, 417)};
    int secondsPerReading = 0;
    std::unique_ptr<TReportsFrm> writer;

    void SetUp() override
    {
        ws.makeDir(s("reports"));
        ws.makeDir(s("images"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Clock::set([this] {
            const QDateTime now = moment;
            moment = moment.addSecs(secondsPerReading);
            return now;
        });
        writer = std::make_unique<TReportsFrm>(ReportSources{
            [this] { return ws.file(s("reports/")); }, [this] { return ws.file(s("images/")); },
            [this] { return app; }, [this] { return log; }, [this] { return transfer; }});
    }

    void TearDown() override
    {
        Clock::set({});
        QLocale::setDefault(QLocale::system());
    }

    QString url(const QString& path) const { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }
    QString runUrl() const { return url(writer->RunDir()); }
    QString imagesUrl() const { return url(ws.file(s("images/"))); }
    static QString longTime(int h, int m, int sec)
    {
        return QLocale().toString(QTime(h, m, sec), QLocale::LongFormat);
    }

    QByteArray runFile(const QString& name) const
    {
        QFile file(writer->RunDir() + u'/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void postSite(const QString& method, const QString& site, const QStringList& lines)
    {
        writer->StartSiteLog(method);
        for (const QString& line : lines)
            writer->AddSiteLog(line);
        writer->SaveSiteLog(method, site);
    }

    // Expected page text: "\n" stands for CR LF, "{sp}" for a trailing blank.
    QByteArray expected(QString text, const QString& time) const
    {
        text.replace(s("{run}"), runUrl())
            .replace(s("{images}"), imagesUrl())
            .replace(s("{time}"), time)
            .replace(s("{notice}"), TReportsFrm::NoticeLine())
            .replace(s("{sp}"), s(" "))
            .replace(s("\n"), s("\r\n"));
        return text.toLatin1();
    }
};

// The head shared by site pages and the log page, up to "</table>".
QString pageHead(const char* title, const char* banner, const char* application)
{
    return s(R"(<html>
<head>
<title>%1</title>
</head>
<body leftmargin="0" bgcolor="#FFFFFF">
<p><img src="{images}zlsr.jpg" alt=".jpg" WIDTH="180" HEIGHT="60"></p>
<table border="0" cellpadding="2" width="581" cellspacing="0">
  <tr>
    <td width="577" bgcolor="#000080" colspan="2"><p align="right"><font face="Arial" color="#FFFFFF"><strong>%2</strong></font></td>
  </tr>
  <tr>
    <td width="287" align="right"><font face="Arial" color="#000080"><small>Date:</small></font></td>
    <td width="290"><small><font face="Arial">3/7/26</font></small></td>
  </tr>
  <tr>
    <td width="287" align="right"><font face="Arial" color="#000080"><small>Time:</small></font></td>
    <td width="290"><small><font face="Arial">{time}</font></small></td>
  </tr>
  <tr>
    <td width="287" align="right"><font face="Arial" color="#000080"><small>Application:</small></font></td>
    <td width="290"><small><font face="Arial">%3</font></small></td>
  </tr>
  <tr>
    <td width="577" colspan="2" bgcolor="#000080"><p align="right"><a href="{run}/MainReport.htm"><font face="Arial" color="#FFFFFF"><strong>&lt;&lt;
Back to Main</strong></font></a></td>
  </tr>
</table>
)")
        .arg(s(title), s(banner), s(application));
}

QString responseRow(const QString& href, const QString& text)
{
    return s(R"(  <tr>
    <td width="154"></td>
    <td width="392" colspan="2"><ul>
       <li><a href="%1"><font face="Arial" color="#0000FF"><u><small>%2</small></u></font></a></li>
    </ul>
    </td>
  </tr>
)")
        .arg(href, text);
}

QString mainPage(const QString& start, const QString& end, int successes, int failures, const QString& rows)
{
    return s(R"(<html>
<head>
<title>Submission Report</title>
</head>
<body topmargin="0" leftmargin="0" background="{images}back.jpg">
<blockquote>
  <p><br>
<img src="{images}zlsr.jpg" alt=".jpg" WIDTH="180" HEIGHT="60"></p>
</blockquote>
<table border="0" cellpadding="2" width="550" cellspacing="0">
  <tr>
    <td width="546" bgcolor="#000080" colspan="3"><p align="right"><font face="Arial" color="#FFFFFF"><strong>Submission Detail</strong></font></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080"><small>Date:</small></font></td>
<td width="243"><small><font face="Arial">3/7/26</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080"><small>Time Started:</small></font></td>
    <td width="243"><small><font face="Arial">%1</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080"><small>Time Completed:</small></font></td>
     <td width="243"><small><font face="Arial">%2</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080"><small>Application:</small></font></td>
    <td width="243"><small><font face="Arial">Tool</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080">
<small># of Successful Submissions</small></font></td>
    <td width="243"><small><font face="Arial">%3</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149" align="right"><font face="Arial" color="#000080">
<small># of Failed Submissions</small></font></td>
    <td width="243"><small><font face="Arial">%4</font></small></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149"></td>
    <td width="243"></td>
  </tr>
  <tr>
    <td width="546" colspan="3" bgcolor="#000080"><p align="right"><font face="Arial" color="#FFFFFF"><strong>Submission Log</strong></font></td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="392" colspan="2"><ul>
      <li><a href="{run}/LogReport.htm"><small><font face="Arial" color="#0000FF"><u>View Submission Log</u></font></small></a></li>
    </ul>
    </td>
  </tr>
  <tr>
    <td width="154"></td>
    <td width="149"></td>
    <td width="243"></td>
  </tr>
  <tr>
    <td width="546" colspan="3" bgcolor="#000080"><p align="right"><strong><font face="Arial" color="#FFFFFF">Site Responses:</font></strong></td>
  </tr>
%5  <tr>
    <td width="154"></td>
    <td width="392" colspan="2"><small><font face="Arial" color="#400080"><small>*E-Mail Note:{sp}
    that a successful e-mail only means that the e-mail was sent. However there are many
    circumstances that can cause the mail not to be delivered which are beyond the control of
    Zentrel.</small></font></small>
{sp}
<p><small><font face="Arial" color="#400080">{notice}</font></small></p>
</td>
  </tr>
</table>
</body>
</html>
)")
        .arg(start, end, QString::number(successes), QString::number(failures), rows);
}

} // namespace

TEST_F(ReportRun, PagesAreWrittenLineForLineWithCrLf)
{
    const QString started = longTime(9, 5, 2);
    EXPECT_TRUE(started.startsWith(s("9:05:02 AM"))) << qPrintable(started);
    log = QStringList{s("Posting to Alpha"), s("Posting to Beta")};
    writer->StartReport();
    EXPECT_EQ(writer->RunDir(), ws.file(s("reports/Tool/2026-03-07-09-05-02-417")));
    postSite(s("FTP"), s("Alpha"), {s("Connecting to ftp.example.com"), s("Done")});
    ++writer->SuccessCount;
    postSite(s("EMAIL"), s("Beta"), {s("Sending mail")});
    ++writer->FailCount;
    moment = QDateTime(QDate(2026, 3, 7), QTime(9, 7, 45));
    writer->WriteMainReport();

    EXPECT_EQ(runFile(s("Alpha _FTP.htm")),
              expected(pageHead("FTP ", "FTP Log:", "Tool") + s(R"(<p><small><font face="Arial">[{time}] - Connecting to ftp.example.com</font></small></p>
<p><small><font face="Arial">[{time}] - Done</font></small></p>
{sp}
<p><small><font face="Arial" color="#400080">{notice}</font></small></p>
</body>
</html>
)"),
                       started));
    const QString ended = longTime(9, 7, 45);
    EXPECT_EQ(runFile(s("MainReport.htm")),
              expected(mainPage(started, ended, 1, 1,
                                responseRow(runUrl() + s("/Alpha%20_FTP.htm"), s("ALPHA FTP"))
                                    + responseRow(runUrl() + s("/Beta%20_EMAIL.htm"), s("BETA EMAIL"))),
                       ended));
    EXPECT_EQ(runFile(s("LogReport.htm")),
              expected(pageHead("Tool Log File ", "Tool Log:", "Tool") + s(R"(<p><small><font face="Arial">[{time}] - Posting to Alpha</font></small></p>
<p><small><font face="Arial">[{time}] - Posting to Beta</font></small></p>
<p><small><font face="Arial" color="#400080">{notice}</font></small></p>
</body>
</html>
)"),
                       ended));
    EXPECT_EQ(writer->MainReportFile(), writer->RunDir() + s("/MainReport.htm"));
    EXPECT_EQ(writer->MainReportUrl(), runUrl() + s("/MainReport.htm"));
}

TEST_F(ReportRun, RunWithoutSitesHasNoResponseRowsAndLogLinesCarryTheirWritingTime)
{
    writer->StartReport();
    ++writer->SuccessCount;
    writer->StartReport(); // a new run starts from nothing
    log = QStringList{s("one"), s("two"), s("three")};
    moment = QDateTime(QDate(2026, 3, 7), QTime(10, 0, 0));
    secondsPerReading = 1;
    writer->WriteMainReport();
    const QByteArray main = runFile(s("MainReport.htm"));
    EXPECT_EQ(main, expected(mainPage(longTime(9, 5, 2), longTime(10, 0, 0), 0, 0, QString()), QString()));

    // Every log line takes the time anew while the page is written.
    const QByteArray logPage = runFile(s("LogReport.htm"));
    for (int line = 0; line < 3; ++line)
        EXPECT_TRUE(logPage.contains((u'[' + longTime(10, 0, 2 + line) + s("] - ") + log[line]).toLatin1()))
            << logPage.constData();
}

TEST_F(ReportRun, RunStampGivesEveryPartAfterTheYearAtLeastTwoDigits)
{
    EXPECT_EQ(TReportsFrm::runStamp(QDateTime(QDate(1999, 3, 7), QTime(9, 5, 2, 7))), s("1999-03-07-09-05-02-07"));
    EXPECT_EQ(TReportsFrm::runStamp(QDateTime(QDate(1999, 3, 7), QTime(9, 5, 2, 70))), s("1999-03-07-09-05-02-70"));
    EXPECT_EQ(TReportsFrm::runStamp(QDateTime(QDate(1999, 3, 7), QTime(9, 5, 2, 700))), s("1999-03-07-09-05-02-700"));
    EXPECT_EQ(TReportsFrm::runStamp(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 0))),
              s("2026-12-31-23-59-59-00"));

    // Runs a moment apart keep their own folders.
    writer->StartReport();
    const QString first = writer->RunDir();
    postSite(s("FTP"), s("Alpha"), {});
    moment = moment.addMSecs(1);
    writer->StartReport();
    EXPECT_NE(writer->RunDir(), first);
    EXPECT_TRUE(writer->FinalSubsList().isEmpty());
    EXPECT_TRUE(QFile::exists(first + s("/Alpha _FTP.htm")));
}

TEST_F(ReportRun, HttpReplyIsKeptAsReceivedAndShownInASandboxedFrame)
{
    transfer = QStringList{s("<html><body>Thanks & goodbye</body>"), s("<script>alert(1)</script></html>")};
    writer->StartReport();
    postSite(s("HTTP"), s("Alpha"), {s("Posting form"), s("HTTP Status: 200")});
    postSite(s("FTP"), s("Beta"), {s("Uploaded")});
    postSite(s("EMAIL"), s("Gamma"), {s("Sent")});
    postSite(s("http"), s("Delta"), {});

    // As received: no escaping in the reply's own file.
    EXPECT_EQ(runFile(TReportsFrm::replyFileName(s("Alpha"))),
              QByteArray("<html><body>Thanks & goodbye</body>\r\n<script>alert(1)</script></html>\r\n"));
    const QStringList page = QString::fromLatin1(runFile(s("Alpha _HTTP.htm"))).split(s("\r\n"));
    const qsizetype frame = page.indexOf(s("<iframe sandbox src=\"") + runUrl()
                                         + s("/Alpha%20_HTTP_reply.htm\" width=\"581\" height=\"400\"></iframe>"));
    ASSERT_GE(frame, 2);
    EXPECT_TRUE(page[frame - 1].endsWith(s("] - HTTP Status: 200</font></small></p>"))) << qPrintable(page[frame - 1]);
    EXPECT_EQ(page[frame + 1], s(" "));
    EXPECT_FALSE(page.join(u'\n').contains(s("<script>")));
    EXPECT_FALSE(page.join(u'\n').contains(s("<a href=\"") + runUrl() + s("/Alpha%20_HTTP_reply")))
        << "the reply is never linked";

    // Only an HTTP page gets the reply, even while the transfer list holds lines.
    for (const char* other : {"Beta _FTP.htm", "Gamma _EMAIL.htm", "Delta _http.htm"}) {
        const QByteArray bytes = runFile(s(other));
        ASSERT_FALSE(bytes.isEmpty()) << other;
        EXPECT_FALSE(bytes.contains("iframe")) << other;
        EXPECT_FALSE(bytes.contains("Thanks")) << other;
    }
    EXPECT_FALSE(QFile::exists(writer->RunDir() + u'/' + TReportsFrm::replyFileName(s("Beta"))));
    EXPECT_EQ(writer->FinalSubsList().last(), (ReportEntry{s("DELTA HTTP"), runUrl() + s("/Delta%20_http.htm")}));

    // An HTTP site that sent nothing back shows no frame.
    transfer.clear();
    postSite(s("HTTP"), s("Epsilon"), {s("No reply")});
    EXPECT_FALSE(runFile(s("Epsilon _HTTP.htm")).contains("iframe"));
    EXPECT_FALSE(QFile::exists(writer->RunDir() + u'/' + TReportsFrm::replyFileName(s("Epsilon"))));
}

TEST_F(ReportRun, TextsFromRecordsSitesAndLogsAreEscaped)
{
    app = s("A<b>&\"c\"");
    log = QStringList{s("<script>alert('log')</script> & \"quoted\"")};
    writer->StartReport();
    writer->StartSiteLog(s("FTP"));
    writer->AddSiteLog(s("Reply: <b>bold</b> & \"x\" \xe9"));
    writer->AddSiteLog(QStringView(u"Greek \u03a9 and \U0001F600").toString());
    writer->SaveSiteLog(s("FTP"), s("S<&\">"));
    writer->WriteMainReport();

    EXPECT_EQ(writer->AppReportDir(), ws.file(s("reports/A<b>&\"c\"")));
    const QByteArray site = runFile(s("S<&\"> _FTP.htm"));
    EXPECT_TRUE(site.contains("<font face=\"Arial\">A&lt;b&gt;&amp;&quot;c&quot;</font>"));
    EXPECT_TRUE(site.contains("] - Reply: &lt;b&gt;bold&lt;/b&gt; &amp; &quot;x&quot; \xe9</font>"));
    EXPECT_TRUE(site.contains("] - Greek &#937; and &#128512;</font>")) << "characters past 8 bits survive";
    // The folder's own "<", "&" and '"' reach the links fully encoded.
    EXPECT_TRUE(site.contains("<a href=\"file://")) << site.constData();
    EXPECT_TRUE(site.contains("/A%3Cb%3E&amp;%22c%22/")) << site.constData();

    const QByteArray main = runFile(s("MainReport.htm"));
    EXPECT_TRUE(main.contains("<u><small>S&lt;&amp;&quot;&gt; FTP</small></u>"));
    EXPECT_TRUE(main.contains("/S%3C&amp;%22%3E%20_FTP.htm\">"));
    EXPECT_TRUE(main.contains("<font face=\"Arial\">A&lt;b&gt;&amp;&quot;c&quot;</font>"));
    const QByteArray logPage = runFile(s("LogReport.htm"));
    EXPECT_TRUE(logPage.contains("<title>A&lt;b&gt;&amp;&quot;c&quot; Log File </title>"));
    EXPECT_TRUE(logPage.contains("] - &lt;script&gt;alert('log')&lt;/script&gt; &amp; &quot;quoted&quot;</font>"));
    for (const QByteArray& page : {site, main, logPage}) {
        EXPECT_FALSE(page.contains("<script")) << page.constData();
        EXPECT_FALSE(page.contains("<b>")) << page.constData();
    }

    EXPECT_EQ(ReportHtml::fileUrl(s("/w s/#1/%41/x.htm")), s("file:///w%20s/%231/%2541/x.htm"));
}

TEST_F(ReportRun, SameSiteAndMethodTwiceKeepBothEntriesAndTheLaterPage)
{
    writer->StartReport();
    postSite(s("FTP"), s("Alpha"), {s("first attempt")});
    postSite(s("FTP"), s("Alpha"), {s("second attempt")});
    // A name holding the separator of the site list stays one entry.
    postSite(s("EMAIL"), QString::fromLatin1("Plus\xb1Minus"), {});
    writer->WriteMainReport();

    const QString alpha = runUrl() + s("/Alpha%20_FTP.htm");
    EXPECT_EQ(writer->FinalSubsList(),
              (QList<ReportEntry>{{s("ALPHA FTP"), alpha},
                                  {s("ALPHA FTP"), alpha},
                                  {QString::fromLatin1("PLUS\xb1MINUS EMAIL"), runUrl() + s("/Plus%C2%B1Minus%20_EMAIL.htm")}}));
    const QByteArray page = runFile(s("Alpha _FTP.htm"));
    EXPECT_TRUE(page.contains("second attempt"));
    EXPECT_FALSE(page.contains("first attempt"));
    const QByteArray main = runFile(s("MainReport.htm"));
    EXPECT_EQ(main.count((s("<li><a href=\"") + alpha + s("\">")).toLatin1()), 2);
    EXPECT_TRUE(main.contains("/Plus%C2%B1Minus%20_EMAIL.htm\"><font face=\"Arial\" color=\"#0000FF\"><u><small>PLUS\xb1MINUS EMAIL</small>"));
    EXPECT_TRUE(QFile::exists(writer->RunDir() + QString::fromLatin1("/Plus\xb1Minus _EMAIL.htm")));
}

TEST_F(ReportRun, PagesThatCannotBeSavedRaiseCannotCreateFileToTheCaller)
{
    const auto failure = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const ZentrelError& e) {
            return e.text();
        }
        return QString();
    };

    // The application's folder name is taken by a file: no folder can be made.
    ws.write(s("reports/Tool"), "not a folder");
    writer->StartReport();
    writer->StartSiteLog(s("FTP"));
    EXPECT_EQ(failure([&] { writer->SaveSiteLog(s("FTP"), s("Alpha")); }),
              s("Cannot create file ") + writer->RunDir() + s("/Alpha _FTP.htm"));
    EXPECT_TRUE(writer->FinalSubsList().isEmpty());
    EXPECT_EQ(failure([&] { writer->WriteMainReport(); }),
              s("Cannot create file ") + writer->RunDir() + s("/LogReport.htm"));

    // A name that would leave the reports directory creates nothing anywhere.
    app = s("../escaped");
    writer->StartReport();
    EXPECT_EQ(failure([&] { writer->WriteMainReport(); }),
              s("Cannot create file ") + ws.file(s("reports/../escaped/2026-03-07-09-05-02-417/LogReport.htm")));
    EXPECT_FALSE(ws.exists(s("escaped")));

    // So does a site name that would leave the run folder.
    app = s("Tool2");
    writer->StartReport();
    writer->StartSiteLog(s("FTP"));
    EXPECT_EQ(failure([&] { writer->SaveSiteLog(s("FTP"), s("../Alpha")); }),
              s("Cannot create file ") + writer->RunDir() + s("/../Alpha _FTP.htm"));
    EXPECT_EQ(failure([&] { writer->SaveSiteLog(s("/x"), s("Alpha")); }),
              s("Cannot create file ") + writer->RunDir() + s("/Alpha _/x.htm"));
    EXPECT_EQ(QDir(ws.file(s("reports/Tool2"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(writer->RunDir()).fileName()});
    EXPECT_TRUE(QDir(writer->RunDir()).isEmpty());
}

TEST_F(ReportRun, APageIsReplacedWholeOrNotAtAllAndNeverThroughALink)
{
    writer->StartReport();
    postSite(s("FTP"), s("Alpha"), {s("first attempt")});
    const QByteArray before = runFile(s("Alpha _FTP.htm"));
    writer->StartSiteLog(s("FTP"));
    for (int i = 0; i < 100; ++i)
        writer->AddSiteLog(s("a line that makes the page too long to be written"));
    {
        FileSizeLimit limit(before.size() + 100);
        try {
            writer->SaveSiteLog(s("FTP"), s("Alpha"));
            ADD_FAILURE() << "a page that could not be written whole was reported as saved";
        } catch (const ZentrelError& e) {
            EXPECT_EQ(e.text(), s("Cannot create file ") + writer->RunDir() + s("/Alpha _FTP.htm"));
        }
    }
    EXPECT_EQ(runFile(s("Alpha _FTP.htm")), before);
    EXPECT_EQ(writer->FinalSubsList().size(), 1);
    EXPECT_EQ(QDir(writer->RunDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{s("Alpha _FTP.htm")});

    ws.write(s("outside.htm"), "keep");
    QFile::link(ws.file(s("outside.htm")), writer->RunDir() + s("/Beta _FTP.htm"));
    postSite(s("FTP"), s("Beta"), {s("uploaded")});
    EXPECT_EQ(ws.read(s("outside.htm")), QByteArray("keep"));
    const QFileInfo page(writer->RunDir() + s("/Beta _FTP.htm"));
    EXPECT_FALSE(page.isSymLink());
    EXPECT_TRUE(runFile(s("Beta _FTP.htm")).contains("uploaded"));
    EXPECT_TRUE(page.permissions() & QFileDevice::ReadOther) << "a browser of another user can read it";
}

TEST_F(ReportRun, TheLongestSiteNameGetsItsPageAndItsReply)
{
    const QString site(WorkspacePath::MaxNameBytes, u's');
    transfer = {s("<html>thanks</html>")};
    writer->StartReport();
    writer->StartSiteLog(s("HTTP"));
    writer->SaveSiteLog(s("HTTP"), site);
    writer->StartSiteLog(s("EMAIL"));
    writer->SaveSiteLog(s("EMAIL"), site);
    EXPECT_TRUE(QFile::exists(writer->RunDir() + u'/' + site + s(" _HTTP.htm")));
    EXPECT_TRUE(QFile::exists(writer->RunDir() + u'/' + TReportsFrm::replyFileName(site)));
    EXPECT_TRUE(QFile::exists(writer->RunDir() + u'/' + site + s(" _EMAIL.htm")));
}

TEST_F(ReportRun, ClockTextsOutsideTheEightBitSetAreWrittenAsReferences)
{
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    log = {s("posted")};
    writer->StartReport();
    writer->StartSiteLog(s("FTP"));
    writer->AddSiteLog(s("connected"));
    writer->SaveSiteLog(s("FTP"), s("Alpha"));
    writer->WriteMainReport();
    for (const char* page : {"/Alpha _FTP.htm", "/LogReport.htm", "/MainReport.htm"}) {
        QFile file(writer->RunDir() + s(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        const QByteArray bytes = file.readAll();
        EXPECT_FALSE(bytes.contains('?')) << page << ": a character the page cannot hold became \"?\"";
        EXPECT_TRUE(bytes.contains("&#")) << page;
    }
}
