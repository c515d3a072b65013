#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// An indicator lamp: off, on steady, or on and blinking.
class TLed : public QWidget {
    Q_OBJECT
public:
    explicit TLed(const QColor& colour, QWidget* parent = nullptr);

    void setState(bool on, bool blinking);
    bool isOn() const { return m_on; }
    bool isBlinking() const { return m_blinking; }
    // Lit at this moment: on, and not in the dark half of a blink.
    bool isLit() const { return m_on && (!m_blinking || m_phase); }

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
    QTimer m_blink;
    bool m_on = false;
    bool m_blinking = false;
    bool m_phase = true;
};
