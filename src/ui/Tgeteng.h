#pragma once

#include "services/DataUpdate.h"

#include <QDialog>

class ProgramSettings;
class QLCDNumber;
class QLabel;
class QProgressBar;
class QPushButton;
class UserPrompts;

// "Update Data Files": "Start Update", the status, the bar and the percentage
// of the update behind it. Closing it while the archive downloads ends the
// download; it closes itself once an update is in place.
class Tgeteng : public QDialog {
    Q_OBJECT
public:
    // Opens the update; throws ZentrelError when it refuses to open.
    Tgeteng(UserPrompts& prompts, const ProgramSettings& settings, const DataUpdate::Folders& folders,
            QWidget* parent = nullptr);

    DataUpdate& update() { return m_update; }
    bool updated() const { return m_update.updated(); }
    QPushButton* startButton() const { return m_button1; }
    QLabel* statusLabel() const { return m_status; }
    QProgressBar* bar() const { return m_bar; }
    QLCDNumber* percentDisplay() const { return m_percent; }

public slots:
    void done(int result) override;

private:
    void Button1Click();
    void showProgress();

    DataUpdate m_update;
    QPushButton* m_button1 = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QLCDNumber* m_percent = nullptr;
    // The user closed the window while the update ran; it closes when the update has ended.
    bool m_closeWhenDone = false;
};
