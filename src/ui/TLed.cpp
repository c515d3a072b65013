#include "ui/TLed.h"

#include <QPainter>
#include <QRadialGradient>

TLed::TLed(const QColor& colour, QWidget* parent) : QWidget(parent), m_colour(colour)
{
    setFixedSize(16, 16);
    m_blink.setInterval(400);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_phase = !m_phase;
        update();
    });
}

void TLed::setState(bool on, bool blinking)
{
    if (on == m_on && (on && blinking) == m_blinking)
        return;
    m_on = on;
    m_blinking = on && blinking;
    m_phase = true;
    if (m_blinking)
        m_blink.start();
    else
        m_blink.stop();
    update();
}

void TLed::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bulb = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor face = isLit() ? m_colour : m_colour.darker(400);
    QRadialGradient glow(bulb.center() - QPointF(2, 2), bulb.width() / 1.5);
    glow.setColorAt(0, face.lighter(isLit() ? 160 : 120));
    glow.setColorAt(1, face);
    p.setBrush(glow);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.drawEllipse(bulb);
}
