#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class SiteContribution;

// "Contribute Engine to Halvern HQ:": explains what is sent and sends the
// current site on "Submit". While the mail goes the window shows only
// "Sending Submission. Please Wait..." and cannot be closed: the mail client
// waits inside this window's event loop and must not lose its window mid-wait.
class TContributeFrm : public QDialog {
    Q_OBJECT
public:
    explicit TContributeFrm(SiteContribution& contribution, QWidget* parent = nullptr);

    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* submitButton() const { return m_submit; }
    QWidget* sendingPanel() const { return m_panel; }
    bool sending() const { return m_sending; }

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SubmitBtnClick();
    void setSending(bool sending);

    SiteContribution& m_contribution;
    QLabel* m_intro = nullptr;
    QLabel* m_howTo = nullptr;
    QWidget* m_panel = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_submit = nullptr;
    bool m_sending = false;
};
