#include "reports/TReportsFrm.h"

#include "records/Clock.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"
#include "reports/ReportHtml.h"

#include <QDir>
#include <QLocale>

using ReportHtml::escape;
using ReportHtml::fileUrl;

namespace {

QString twoDigits(int value)
{
    return value < 10 ? QString(u'0' + QString::number(value)) : QString::number(value);
}

QString timeLine(const QString& time, const QString& text)
{
    return u"<p><small><font face=\"Arial\">[" + escape(time) + u"] - " + escape(text) + u"</font></small></p>";
}

QString noticeParagraph()
{
    return u"<p><small><font face=\"Arial\" color=\"#400080\">" + TReportsFrm::NoticeLine()
        + u"</font></small></p>";
}

// A row of the main page's detail table: spacer, label and value.
void addDetailRow(QStringList& page, const QStringList& label, const QString& valueCellOpening,
                  const QString& value)
{
    page << QStringLiteral("  <tr>") << QStringLiteral("    <td width=\"154\"></td>");
    page << label;
    page << valueCellOpening + value + u"</font></small></td>";
    page << QStringLiteral("  </tr>");
}

QString detailLabel(const QString& label)
{
    return u"    <td width=\"149\" align=\"right\"><font face=\"Arial\" color=\"#000080\"><small>" + label
        + u"</small></font></td>";
}

void addSpacerRow(QStringList& page)
{
    page << QStringLiteral("  <tr>") << QStringLiteral("    <td width=\"154\"></td>")
         << QStringLiteral("    <td width=\"149\"></td>") << QStringLiteral("    <td width=\"243\"></td>")
         << QStringLiteral("  </tr>");
}

void addBannerRow(QStringList& page, const QString& cell)
{
    page << QStringLiteral("  <tr>") << cell << QStringLiteral("  </tr>");
}

} // namespace

TReportsFrm::TReportsFrm(ReportSources sources) : m_sources(std::move(sources)) {}

QString TReportsFrm::NoticeLine()
{
    return QStringLiteral("This report was written by Zentrel, the submission tool for shareware publishers.");
}

QString TReportsFrm::runStamp(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::number(date.year()) + u'-' + twoDigits(date.month()) + u'-' + twoDigits(date.day()) + u'-'
        + twoDigits(time.hour()) + u'-' + twoDigits(time.minute()) + u'-' + twoDigits(time.second()) + u'-'
        + twoDigits(time.msec());
}

QString TReportsFrm::replyFileName(const QString& siteName)
{
    return siteName + u" _HTTP_reply.htm";
}

QString TReportsFrm::dateText(const QDate& date) const
{
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString TReportsFrm::timeText(const QTime& time)
{
    const int second = time.msecsSinceStartOfDay() / 1000;
    if (second != m_cachedSecond) {
        m_cachedSecond = second;
        m_cachedTimeText = QLocale().toString(time, QLocale::LongFormat);
    }
    return m_cachedTimeText;
}

QString TReportsFrm::applicationName() const
{
    return m_sources.applicationName ? m_sources.applicationName() : QString();
}

void TReportsFrm::StartReport()
{
    const QDateTime now = Clock::now();
    m_cachedSecond = -1;
    m_runDate = dateText(now.date());
    m_timeStarted = timeText(now.time());
    m_timeCompleted = m_timeStarted;

    const QString images = m_sources.imagesDir();
    m_logoUrl = u'"' + escape(fileUrl(WorkspacePath::file(images, QStringLiteral("zlsr.jpg"), QString()))) + u'"';
    m_backgroundUrl = u'"' + escape(fileUrl(WorkspacePath::file(images, QStringLiteral("back.jpg"), QString()))) + u'"';

    // A name that cannot stand as a folder name leaves the run without a folder;
    // each page's save then fails with the path it was meant for.
    const QString reports = m_sources.reportsDir();
    const QString app = applicationName();
    m_runDirUsable = WorkspacePath::isSafeName(app);
    m_appReportDir = reports + app;
    if (m_runDirUsable) {
        m_appReportDir = WorkspacePath::file(reports, app, QString());
        QDir().mkdir(m_appReportDir);
        m_runDir = WorkspacePath::file(m_appReportDir + u'/', runStamp(now), QString());
        QDir().mkdir(m_runDir);
    } else {
        m_runDir = m_appReportDir + u'/' + runStamp(now);
    }

    m_mainReportFile = m_runDir + u"/MainReport.htm";
    m_mainReportUrl = fileUrl(m_mainReportFile);
    m_logReportFile = m_runDir + u"/LogReport.htm";
    m_logReportUrl = fileUrl(m_logReportFile);

    SuccessCount = 0;
    FailCount = 0;
    m_finalSubsList.clear();
}

QString TReportsFrm::runFile(const QString& name, const QString& suffix) const
{
    // The name is judged bare: every name the workspace takes leaves room for the
    // longest suffix a report page adds.
    if (!m_runDirUsable || !WorkspacePath::isSafeName(name) || suffix.contains(u'/'))
        throw ZentrelError(QStringLiteral("Cannot create file %1").arg(m_runDir + u'/' + name + suffix));
    return WorkspacePath::file(m_runDir + u'/', name, suffix);
}

void TReportsFrm::addPageHead(QStringList& page, const QString& title, const QString& banner)
{
    const QDateTime now = Clock::now();
    page << QStringLiteral("<html>") << QStringLiteral("<head>") << u"<title>" + title + u"</title>"
         << QStringLiteral("</head>") << QStringLiteral("<body leftmargin=\"0\" bgcolor=\"#FFFFFF\">");
    page << u"<p><img src=" + m_logoUrl + u" alt=\".jpg\" WIDTH=\"180\" HEIGHT=\"60\"></p>";
    page << QStringLiteral("<table border=\"0\" cellpadding=\"2\" width=\"581\" cellspacing=\"0\">");
    addBannerRow(page, u"    <td width=\"577\" bgcolor=\"#000080\" colspan=\"2\"><p align=\"right\"><font "
                       u"face=\"Arial\" color=\"#FFFFFF\"><strong>"
                           + banner + u"</strong></font></td>");
    const auto row = [&page](const QString& label, const QString& value) {
        page << QStringLiteral("  <tr>")
             << u"    <td width=\"287\" align=\"right\"><font face=\"Arial\" color=\"#000080\"><small>" + label
                    + u"</small></font></td>"
             << u"    <td width=\"290\"><small><font face=\"Arial\">" + value + u"</font></small></td>"
             << QStringLiteral("  </tr>");
    };
    row(QStringLiteral("Date:"), escape(dateText(now.date())));
    row(QStringLiteral("Time:"), escape(timeText(now.time())));
    row(QStringLiteral("Application:"), escape(applicationName()));
    page << QStringLiteral("  <tr>")
         << u"    <td width=\"577\" colspan=\"2\" bgcolor=\"#000080\"><p align=\"right\"><a href=\""
                + escape(m_mainReportUrl) + u"\"><font face=\"Arial\" color=\"#FFFFFF\"><strong>&lt;&lt;"
         << QStringLiteral("Back to Main</strong></font></a></td>") << QStringLiteral("  </tr>")
         << QStringLiteral("</table>");
}

void TReportsFrm::StartSiteLog(const QString& method)
{
    m_xferMemo.clear();
    const QString shown = escape(method);
    addPageHead(m_xferMemo, shown + u' ', shown + u" Log:");
}

void TReportsFrm::AddSiteLog(const QString& text)
{
    m_xferMemo << timeLine(timeText(Clock::now().time()), text);
}

void TReportsFrm::SaveSiteLog(const QString& method, const QString& siteName)
{
    const QString pageFile = runFile(siteName, u" _" + method + u".htm");
    if (method == u"HTTP") {
        // The site's reply is a page of its own making: it is kept as received in
        // a file of its own and shown in a frame that runs none of its scripts.
        const QStringList reply = m_sources.transferList ? m_sources.transferList() : QStringList();
        if (!reply.isEmpty()) {
            const QString replyFile = runFile(siteName, replyFileName(QString()));
            ReportHtml::savePage(replyFile, reply);
            m_xferMemo << u"<iframe sandbox src=\"" + escape(fileUrl(replyFile))
                    + u"\" width=\"581\" height=\"400\"></iframe>";
        }
    }
    m_xferMemo << QStringLiteral(" ") << noticeParagraph() << QStringLiteral("</body>") << QStringLiteral("</html>");
    ReportHtml::savePage(pageFile, m_xferMemo);
    m_finalSubsList.append({QString(siteName + u' ' + method).toUpper(), fileUrl(pageFile)});
}

void TReportsFrm::writeLogReport()
{
    const QString file = runFile(QStringLiteral("LogReport"), QStringLiteral(".htm"));
    const QString app = escape(applicationName());
    QStringList page;
    addPageHead(page, app + u" Log File ", app + u" Log:");
    const QStringList log = m_sources.runLog ? m_sources.runLog() : QStringList();
    page.reserve(page.size() + log.size() + 3);
    // Each line carries the time it is written at.
    for (const QString& line : log)
        page << timeLine(timeText(Clock::now().time()), line);
    page << noticeParagraph() << QStringLiteral("</body>") << QStringLiteral("</html>");
    ReportHtml::savePage(file, page);
}

void TReportsFrm::WriteMainReport()
{
    m_timeCompleted = timeText(Clock::now().time());
    writeLogReport();

    const QString file = runFile(QStringLiteral("MainReport"), QStringLiteral(".htm"));
    const QString valueCell = QStringLiteral("    <td width=\"243\"><small><font face=\"Arial\">");
    const QString countLabel =
        QStringLiteral("    <td width=\"149\" align=\"right\"><font face=\"Arial\" color=\"#000080\">");
    QStringList page;
    page << QStringLiteral("<html>") << QStringLiteral("<head>") << QStringLiteral("<title>Submission Report</title>")
         << QStringLiteral("</head>");
    page << u"<body topmargin=\"0\" leftmargin=\"0\" background=" + m_backgroundUrl + u">";
    page << QStringLiteral("<blockquote>") << QStringLiteral("  <p><br>")
         << u"<img src=" + m_logoUrl + u" alt=\".jpg\" WIDTH=\"180\" HEIGHT=\"60\"></p>"
         << QStringLiteral("</blockquote>");
    page << QStringLiteral("<table border=\"0\" cellpadding=\"2\" width=\"550\" cellspacing=\"0\">");
    addBannerRow(page, QStringLiteral("    <td width=\"546\" bgcolor=\"#000080\" colspan=\"3\"><p align=\"right\"><font "
                                      "face=\"Arial\" color=\"#FFFFFF\"><strong>Submission Detail</strong></font></td>"));
    addDetailRow(page, {detailLabel(QStringLiteral("Date:"))},
                 QStringLiteral("<td width=\"243\"><small><font face=\"Arial\">"), escape(m_runDate));
    addDetailRow(page, {detailLabel(QStringLiteral("Time Started:"))}, valueCell, escape(m_timeStarted));
    addDetailRow(page, {detailLabel(QStringLiteral("Time Completed:"))},
                 QStringLiteral("     <td width=\"243\"><small><font face=\"Arial\">"), escape(m_timeCompleted));
    addDetailRow(page, {detailLabel(QStringLiteral("Application:"))}, valueCell, escape(applicationName()));
    addDetailRow(page, {countLabel, QStringLiteral("<small># of Successful Submissions</small></font></td>")},
                 valueCell, QString::number(SuccessCount));
    addDetailRow(page, {countLabel, QStringLiteral("<small># of Failed Submissions</small></font></td>")}, valueCell,
                 QString::number(FailCount));
    addSpacerRow(page);

    addBannerRow(page, QStringLiteral("    <td width=\"546\" colspan=\"3\" bgcolor=\"#000080\"><p align=\"right\"><font "
                                      "face=\"Arial\" color=\"#FFFFFF\"><strong>Submission Log</strong></font></td>"));
    page << QStringLiteral("  <tr>") << QStringLiteral("    <td width=\"154\"></td>")
         << QStringLiteral("    <td width=\"392\" colspan=\"2\"><ul>")
         << u"      <li><a href=\"" + escape(m_logReportUrl)
                + u"\"><small><font face=\"Arial\" color=\"#0000FF\"><u>View Submission Log</u></font></small></a></li>"
         << QStringLiteral("    </ul>") << QStringLiteral("    </td>") << QStringLiteral("  </tr>");
    addSpacerRow(page);

    addBannerRow(page, QStringLiteral("    <td width=\"546\" colspan=\"3\" bgcolor=\"#000080\"><p align=\"right\"><strong>"
                                      "<font face=\"Arial\" color=\"#FFFFFF\">Site Responses:</font></strong></td>"));
    for (const ReportEntry& entry : std::as_const(m_finalSubsList)) {
        page << QStringLiteral("  <tr>") << QStringLiteral("    <td width=\"154\"></td>")
             << QStringLiteral("    <td width=\"392\" colspan=\"2\"><ul>")
             << u"       <li><a href=\"" + escape(entry.url) + u"\"><font face=\"Arial\" color=\"#0000FF\"><u><small>"
                    + escape(entry.text) + u"</small></u></font></a></li>"
             << QStringLiteral("    </ul>") << QStringLiteral("    </td>") << QStringLiteral("  </tr>");
    }

    page << QStringLiteral("  <tr>") << QStringLiteral("    <td width=\"154\"></td>")
         << QStringLiteral("    <td width=\"392\" colspan=\"2\"><small><font face=\"Arial\" color=\"#400080\"><small>"
                           "*E-Mail Note: ")
         << QStringLiteral("    that a successful e-mail only means that the e-mail was sent. However there are many")
         << QStringLiteral("    circumstances that can cause the mail not to be delivered which are beyond the control of")
         << QStringLiteral("    Zentrel.</small></font></small>")
         << QStringLiteral(" ") << noticeParagraph() << QStringLiteral("</td>") << QStringLiteral("  </tr>");
    page << QStringLiteral("</table>") << QStringLiteral("</body>") << QStringLiteral("</html>");
    ReportHtml::savePage(file, page);
}
