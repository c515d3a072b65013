#pragma once

#include "reports/ReportBrowser.h"

#include <QDialog>

class QListWidget;
class QPushButton;
class UserPrompts;

// "Submission Reports": finds a past run's main report and opens it in the
// browser, or deletes reports. Going down from an application to its runs, and
// every action, is the browser's; the dialog shows its list.
class TReportsListFrm : public QDialog {
    Q_OBJECT
public:
    TReportsListFrm(UserPrompts& prompts, const QString& reportsDir, QWidget* parent = nullptr);

    // "View Reports": lists the reports directory; when it is empty, information sound
    // and "No Reports Found" through prompts, and no dialog; otherwise the modal dialog.
    static void showReports(QWidget* parent, UserPrompts& prompts, const QString& reportsDir);

    const ReportBrowser& browser() const { return m_browser; }
    QListWidget* RepListBox() const { return m_list; }

private:
    void GoBtnClick();
    void UpBtnClick();
    void DeleteBtnClick();
    void RepListBoxSelectionChange();
    void refresh();
    void finish(ReportBrowser::Outcome outcome);

    ReportBrowser m_browser;
    QListWidget* m_list = nullptr;
    QPushButton* m_goBtn = nullptr;
    QPushButton* m_upBtn = nullptr;
    QPushButton* m_deleteBtn = nullptr;
    bool m_refreshing = false;
};
