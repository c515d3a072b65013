#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringListModel>

// What the "Submit" tab shows of a submission run, kept without a window: the
// site in progress, the three status texts and lamps, the byte count, the run
// log, the FTP transfer list, the HTTP reply lines, the counters and the
// posting state. A run writes here; the tab (or anything else) observes.
class SubmitDisplays : public QObject {
    Q_OBJECT
public:
    enum class Lamp { Http, Ftp, Mail };
    struct LampState {
        bool on = false;
        bool blinking = false;
        bool operator==(const LampState&) const = default;
    };

    explicit SubmitDisplays(QObject* parent = nullptr);

    // The run log and the FTP transfer list, one line per row.
    QStringListModel& log() { return m_log; }
    QStringListModel& ftpList() { return m_ftpList; }
    QStringList logLines() const { return m_log.stringList(); }
    QStringList ftpLines() const { return m_ftpList.stringList(); }

    // Appends a line to the run log / the FTP transfer list; the new last line
    // becomes the selected one, so the list follows the run.
    void AddLog(const QString& text);
    void AddFtpLog(const QString& text);
    void clearLog();
    void clearFtpList();

    // The reply lines of the site's last HTTP post, for its report page and the tab.
    QStringListModel& xferList() { return m_xfer; }
    QStringList xfer() const { return m_xfer.stringList(); }
    // The reply as a whole; its last line becomes the selected one.
    void setXfer(const QStringList& lines);
    void clearXfer();

    const QString& currentSite() const { return m_currentSite; }
    void setCurrentSite(const QString& site);
    const QString& httpStatus() const { return m_httpStatus; }
    const QString& ftpStatus() const { return m_ftpStatus; }
    const QString& mailStatus() const { return m_mailStatus; }
    void setHttpStatus(const QString& text);
    void setFtpStatus(const QString& text);
    void setMailStatus(const QString& text);

    LampState lamp(Lamp which) const { return m_lamps[int(which)]; }
    void setLamp(Lamp which, bool on, bool blinking);
    // Between sites and at the end of a run: the three texts "Idle", the lamps off and steady.
    void setIdle();

    qint64 httpBytes() const { return m_httpBytes; }
    void setHttpBytes(qint64 bytes);

    // The progress bar of the mail being sent: hidden until e-mail posting shows it.
    bool mailProgressVisible() const { return m_mailProgressVisible; }
    int mailProgress() const { return m_mailProgress; }
    void setMailProgressVisible(bool visible);
    void setMailProgress(int percent);

    int sitesToPost() const { return m_sitesToPost; }
    int sitesProcessed() const { return m_sitesProcessed; }
    int progressMaximum() const { return m_progressMaximum; }
    int progressPosition() const { return m_progressPosition; }
    // The count of sites to post: to post the total, none processed, the
    // progress bar from 0 to the total at 0.
    void setCounters(int total);
    // A site is done: processed shows the count, to post one less, the bar one step on.
    void siteProcessed(int processedCount);
    void setProgressPosition(int position);

    bool Posting() const { return m_posting; }
    // Into the posting state: the window locks its tabs and commands.
    void BeginPosting();
    // Out of it: the counters and the progress bars back to zero.
    void EndPosting();

signals:
    void logLineAdded(int row);
    void ftpLineAdded(int row);
    void xferChanged(int lastRow); // -1 when emptied
    void currentSiteChanged(const QString& site);
    void statusChanged(); // any of the three status texts
    void lampChanged(SubmitDisplays::Lamp which);
    void httpBytesChanged(qint64 bytes);
    void mailProgressChanged();
    void countersChanged();
    void postingChanged(bool posting);

private:
    static void append(QStringListModel& list, const QString& text);

    QStringListModel m_log;
    QStringListModel m_ftpList;
    QStringListModel m_xfer;
    QString m_currentSite;
    QString m_httpStatus;
    QString m_ftpStatus;
    QString m_mailStatus;
    LampState m_lamps[3];
    qint64 m_httpBytes = 0;
    bool m_mailProgressVisible = false;
    int m_mailProgress = 0;
    int m_sitesToPost = 0;
    int m_sitesProcessed = 0;
    int m_progressMaximum = 0;
    int m_progressPosition = 0;
    bool m_posting = false;
};
