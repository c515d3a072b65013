#pragma once

#include "submit/SubmitDisplays.h"

#include <QWidget>

class QLabel;
class QLCDNumber;
class QListView;
class QProgressBar;
class QPushButton;
class TLed;

// The "Submit" tab: what a run shows (site, status texts, lamps, bytes, the
// transfer list, the log, the counters and progress bars) and the run's buttons.
// It only follows the displays it is given.
class TSubmitPage : public QWidget {
    Q_OBJECT
public:
    explicit TSubmitPage(SubmitDisplays& displays, QWidget* parent = nullptr);

    QLabel* currentSite() const { return m_currentSite; }
    QLabel* httpStatus() const { return m_httpStatus; }
    QLabel* ftpStatus() const { return m_ftpStatus; }
    QLabel* mailStatus() const { return m_mailStatus; }
    QLabel* httpBytes() const { return m_httpBytes; }
    TLed* httpLed() const { return m_httpLed; }
    TLed* ftpLed() const { return m_ftpLed; }
    TLed* mailLed() const { return m_mailLed; }
    QListView* ftpList() const { return m_ftpList; }
    QListView* xferList() const { return m_xfer; }
    QListView* logList() const { return m_log; }
    QProgressBar* mailProgress() const { return m_mailProgress; }
    QLCDNumber* sitesToPost() const { return m_sitesToPost; }
    QLCDNumber* sitesProcessed() const { return m_sitesProcessed; }
    QProgressBar* postStatus() const { return m_postStatus; }
    QPushButton* submitButton() const { return m_submit; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* viewReportsButton() const { return m_viewReports; }
    QPushButton* printLogButton() const { return m_printLog; }
    QPushButton* exitButton() const { return m_exit; }

signals:
    void submitClicked();
    void skipClicked();
    void cancelClicked();
    void viewReportsClicked();
    void printLogClicked();
    void exitClicked();

private:
    void showStatus();
    void showLamp(SubmitDisplays::Lamp which);
    void showCounters();
    void showMailProgress();

    SubmitDisplays& m_displays;
    QLabel* m_currentSite;
    QLabel* m_httpStatus;
    QLabel* m_ftpStatus;
    QLabel* m_mailStatus;
    QLabel* m_httpBytes;
    TLed* m_httpLed;
    TLed* m_ftpLed;
    TLed* m_mailLed;
    QListView* m_ftpList;
    QListView* m_xfer;
    QListView* m_log;
    QProgressBar* m_mailProgress;
    QLCDNumber* m_sitesToPost;
    QLCDNumber* m_sitesProcessed;
    QProgressBar* m_postStatus;
    QPushButton* m_submit;
    QPushButton* m_skip;
    QPushButton* m_cancel;
    QPushButton* m_viewReports;
    QPushButton* m_printLog;
    QPushButton* m_exit;
};
