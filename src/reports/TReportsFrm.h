#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What the report writer reads from the rest of the program, each at the moment it is needed.
struct ReportSources {
    std::function<QString()> reportsDir;      // the workspace's reports directory, ending with "/"
    std::function<QString()> imagesDir;       // the workspace's images directory, ending with "/"
    std::function<QString()> applicationName; // the application name field as it stands now
    std::function<QStringList()> runLog;      // the run log's lines
    std::function<QStringList()> transferList;// the HTTP reply lines held for the site now posted
};

// One site page saved during a run: the main report's link text and the page's URL.
struct ReportEntry {
    QString text;
    QString url;

    friend bool operator==(const ReportEntry&, const ReportEntry&) = default;
};

// The report writer: carries one submission run at a time and writes its HTML
// pages below the reports directory, in reports/<App>/<run stamp>/ — one page
// per site and method as each site is finished, then "LogReport.htm" and
// "MainReport.htm" when the run ends. Pages are 8-bit lines ended by CR LF;
// every text from records, sites and logs is escaped, and a site's reply is kept
// as received in a file of its own that the page frames. Nothing of it is ever
// shown.
class TReportsFrm {
public:
    explicit TReportsFrm(ReportSources sources);

    // Begins a run: stamps it, creates its folder and clears the counts and entries.
    void StartReport();
    // Begins the page of one site posted by method ("HTTP", "FTP" or "EMAIL").
    void StartSiteLog(const QString& method);
    // One time-stamped line on the site's page.
    void AddSiteLog(const QString& text);
    // Closes the site's page, saves it as "<site> _<method>.htm" and lists it for
    // the main report. An HTTP page shows the site's reply, kept in its own file.
    // Throws ZentrelError("Cannot create file <path>").
    void SaveSiteLog(const QString& method, const QString& siteName);
    // Stamps the completion time and writes "LogReport.htm", then "MainReport.htm".
    // Throws ZentrelError("Cannot create file <path>").
    void WriteMainReport();

    // Incremented directly by the run.
    qint32 SuccessCount = 0;
    qint32 FailCount = 0;

    const QString& AppReportDir() const { return m_appReportDir; }
    const QString& RunDir() const { return m_runDir; }
    QString MainReportFile() const { return m_mainReportFile; }
    QString MainReportUrl() const { return m_mainReportUrl; }
    QString LogReportFile() const { return m_logReportFile; }
    QString LogReportUrl() const { return m_logReportUrl; }
    const QString& RunDate() const { return m_runDate; }
    const QString& TimeStarted() const { return m_timeStarted; }
    const QString& TimeCompleted() const { return m_timeCompleted; }
    const QStringList& XferMemo() const { return m_xferMemo; }
    const QList<ReportEntry>& FinalSubsList() const { return m_finalSubsList; }

    // The product notice at the foot of every page.
    static QString NoticeLine();
    // The name of a run's folder: year, month, day, hour, minute, second and
    // millisecond joined by "-", every part after the year below 10 given a leading "0".
    static QString runStamp(const QDateTime& moment);
    // The file name of the site reply shown on a site's HTTP page.
    static QString replyFileName(const QString& siteName);

private:
    QString dateText(const QDate& date) const;
    QString timeText(const QTime& time);
    QString applicationName() const;
    // The head of a site page or of the log page, up to the closing "</table>".
    void addPageHead(QStringList& page, const QString& title, const QString& banner);
    // RunDir + "/" + name, or a ZentrelError("Cannot create file ...") when the
    // run has no usable folder or the name could not stand as a file name there.
    QString runFile(const QString& name, const QString& suffix) const;
    void writeLogReport();

    ReportSources m_sources;
    bool m_runDirUsable = false;
    QString m_logoUrl;       // both image URLs stand quoted, ready as attribute values
    QString m_backgroundUrl;
    QString m_appReportDir;
    QString m_runDir;
    QString m_mainReportFile;
    QString m_mainReportUrl;
    QString m_logReportFile;
    QString m_logReportUrl;
    QString m_runDate;
    QString m_timeStarted;
    QString m_timeCompleted;
    QStringList m_xferMemo;
    QList<ReportEntry> m_finalSubsList;
    // Formatting a time the locale's way costs more than writing its line; many
    // lines share a second.
    int m_cachedSecond = -1;
    QString m_cachedTimeText;
};
