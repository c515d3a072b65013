#include "ui/TAboutFrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

TAboutFrm::TAboutFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(QStringLiteral("About Zentrel"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("AboutPicture"));
    image->setPixmap(picture(96));

    auto* name = new QLabel(QStringLiteral("Zentrel(tm)"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version 2.13"), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* purpose = new QLabel(QStringLiteral("Submits your software to the download sites of your choice."), this);
    purpose->setWordWrap(true);

    m_homePage = new QPushButton(QStringLiteral("Halvern HQ on the Web"), this);
    m_homePage->setObjectName(QStringLiteral("HomePageBtn"));
    m_homePage->setToolTip(QStringLiteral("Open the maker's web page"));
    connect(m_homePage, &QPushButton::clicked, this, &TAboutFrm::homePageClicked);
    m_close = new QPushButton(QStringLiteral("Close About"), this);
    m_close->setObjectName(QStringLiteral("CloseAboutBtn"));
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    m_checker = new QPushButton(QStringLiteral("&D"), this);
    m_checker->setObjectName(QStringLiteral("CheckerBtn"));
    m_checker->setFixedSize(14, 14);
    m_checker->setFlat(true);
    m_checker->setFocusPolicy(Qt::NoFocus);
    connect(m_checker, &QPushButton::clicked, this, [this] {
        m_checkerRequested = true;
        accept();
    });

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(purpose);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(image, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_checker, 0, Qt::AlignBottom);
    buttons->addStretch(1);
    buttons->addWidget(m_homePage);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(400, 190)));
}

QPixmap TAboutFrm::picture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square(1, 1, size - 2, size - 2);
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
    sky.setColorAt(1, QColor(0x3a, 0x6e, 0xb5));
    p.setPen(QPen(QColor(0xe8, 0xb9, 0x3c), 2));
    p.setBrush(sky);
    p.drawRoundedRect(square, size / 8.0, size / 8.0);
    const QRectF badge = square.adjusted(size / 6.0, size / 6.0, -size / 6.0, -size / 6.0);
    p.setBrush(QColor(0xe8, 0xb9, 0x3c));
    p.setPen(QPen(QColor(0xff, 0xf2, 0xc8), 2));
    p.drawEllipse(badge);
    QFont initial;
    initial.setPixelSize(int(badge.height() * 0.62));
    initial.setBold(true);
    p.setFont(initial);
    p.setPen(QColor(0x1d, 0x3b, 0x6e));
    p.drawText(badge, Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}
