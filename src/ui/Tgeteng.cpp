#include "ui/Tgeteng.h"

#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

Tgeteng::Tgeteng(UserPrompts& prompts, const ProgramSettings& settings, const DataUpdate::Folders& folders,
                 QWidget* parent)
    : QDialog(parent), m_update(prompts, settings, folders)
{
    setObjectName(QStringLiteral("geteng"));
    setWindowTitle(QStringLiteral("Update Data Files"));
    setModal(true);
    m_update.open();

    m_button1 = new QPushButton(QStringLiteral("Start Update"), this);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->setDefault(true);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setMinimumWidth(280);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("bar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_percent = new QLCDNumber(3, this);
    m_percent->setObjectName(QStringLiteral("percent"));
    m_percent->setSegmentStyle(QLCDNumber::Flat);
    m_percent->setMinimumSize(52, 26);
    m_percent->display(0);

    auto* progress = new QHBoxLayout;
    progress->addWidget(m_bar, 1);
    progress->addWidget(m_percent);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_button1);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(progress);
    layout->addLayout(buttons);

    connect(m_button1, &QPushButton::clicked, this, &Tgeteng::Button1Click);
    connect(&m_update, &DataUpdate::statusChanged, this, [this](const QString& status) {
        m_status->setText(status);
        // Unpacking and copying run without the event loop; the status is drawn at once.
        m_status->repaint();
    });
    connect(&m_update, &DataUpdate::progressChanged, this, &Tgeteng::showProgress);
}

void Tgeteng::showProgress()
{
    // The bar counts in int: a larger total is shown in coarser steps.
    const qint64 maximum = std::max<qint64>(m_update.barMaximum(), 1);
    const qint64 scale = maximum / std::numeric_limits<int>::max() + 1;
    m_bar->setRange(0, int(maximum / scale));
    m_bar->setValue(int(m_update.barPosition() / scale));
    m_percent->display(m_update.percent());
}

void Tgeteng::Button1Click()
{
    m_button1->setEnabled(false);
    m_update.start();
    if (m_update.updated() || m_closeWhenDone) {
        QDialog::done(m_update.updated() ? Accepted : Rejected);
        return;
    }
    m_button1->setEnabled(true);
}

void Tgeteng::done(int result)
{
    // Escape and the frame's close end up here. While the update runs its
    // waits are on this window's stack: the download is ended, and the window
    // closes once the update has returned.
    if (m_update.running()) {
        m_closeWhenDone = true;
        m_update.cancel();
        return;
    }
    QDialog::done(result);
}
