#include "ui/TSplashFrm.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

TSplashFrm::TSplashFrm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashFrm"));
    setFixedSize(420, 220);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timer.setSingleShot(true);
    m_timer.setInterval(300);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_fired = true; });
    m_timer.start();
}

void TSplashFrm::waitForTimer()
{
    if (m_fired)
        return;
    QEventLoop loop;
    connect(&m_timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (!m_fired)
        loop.exec();
}

void TSplashFrm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
    sky.setColorAt(1, QColor(0x3a, 0x6e, 0xb5));
    p.fillRect(rect(), sky);

    // The picture: a badge with the program's initial, centred horizontally.
    const int badge = 84;
    const QRect circle(width() / 2 - badge / 2, 28, badge, badge);
    p.setBrush(QColor(0xe8, 0xb9, 0x3c));
    p.setPen(QPen(QColor(0xff, 0xf2, 0xc8), 3));
    p.drawEllipse(circle);
    QFont initial = font();
    initial.setPixelSize(54);
    initial.setBold(true);
    p.setFont(initial);
    p.setPen(QColor(0x1d, 0x3b, 0x6e));
    p.drawText(circle, Qt::AlignCenter, QStringLiteral("Z"));

    QFont title = font();
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 122, width(), 40), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Zentrel"));
    QFont small = font();
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(0xdd, 0xe6, 0xf5));
    p.drawText(QRect(0, 162, width(), 24), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Version 2.13  -  starting..."));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe8, 0xb9, 0x3c), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}
