#pragma once

#include <QTimer>
#include <QWidget>

// The borderless window shown while the program starts: a picture, centred,
// and a timer of 300 ms that must fire once before the main window shows.
class TSplashFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashFrm(QWidget* parent = nullptr);

    bool timerFired() const { return m_fired; }
    // Lets events run until the timer has fired once.
    void waitForTimer();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    bool m_fired = false;
};
