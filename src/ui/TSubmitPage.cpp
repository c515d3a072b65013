#include "ui/TSubmitPage.h"

#include "submit/SubmitDisplays.h"
#include "ui/TLed.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Help topic of the run's lists.
constexpr int RunListsTopic = 1005;

QLabel* display(QWidget* parent, const char* name, const char* hint)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(150);
    label->setToolTip(QLatin1String(hint));
    return label;
}

QLCDNumber* counter(QWidget* parent, const char* name, const char* hint)
{
    auto* digits = new QLCDNumber(3, parent);
    digits->setObjectName(QLatin1String(name));
    digits->setSegmentStyle(QLCDNumber::Flat);
    digits->setFixedHeight(30);
    digits->setMinimumWidth(70);
    digits->setToolTip(QLatin1String(hint));
    return digits;
}

// Three digits, or as many as the number needs: a big run shows its true count.
void showCount(QLCDNumber* digits, int value)
{
    digits->setDigitCount(std::max(3, int(QString::number(value).size())));
    digits->display(value);
}

QListView* lineList(QWidget* parent, QAbstractItemModel& lines, const char* name, const char* hint)
{
    auto* list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setModel(&lines);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setToolTip(QLatin1String(hint));
    list->setProperty("helpTopic", RunListsTopic);
    return list;
}

void selectLast(QListView* list, int row)
{
    const QModelIndex at = list->model()->index(row, 0);
    list->setCurrentIndex(at);
    list->scrollTo(at);
}

} // namespace

TSubmitPage::TSubmitPage(SubmitDisplays& displays, QWidget* parent) : QWidget(parent), m_displays(displays)
{
    setObjectName(QStringLiteral("SubmitTab"));

    // What is going on now.
    auto* now = new QGroupBox(this);
    m_currentSite = display(now, "currentsite", "The site being posted to");
    m_httpStatus = display(now, "httpstatus", "What the HTTP post is doing");
    m_ftpStatus = display(now, "ftpstatus", "What the FTP upload is doing");
    m_mailStatus = display(now, "mailstatus", "What the e-mail submission is doing");
    m_httpBytes = display(now, "httpbytes", "Bytes sent by the HTTP post");
    m_httpLed = new TLed(QColor(0x30, 0xe0, 0x40), now);
    m_httpLed->setObjectName(QStringLiteral("httpled"));
    m_ftpLed = new TLed(QColor(0xf0, 0xc0, 0x20), now);
    m_ftpLed->setObjectName(QStringLiteral("ftpled"));
    m_mailLed = new TLed(QColor(0xf0, 0x40, 0x30), now);
    m_mailLed->setObjectName(QStringLiteral("mailled"));
    auto* grid = new QGridLayout(now);
    grid->addWidget(new QLabel(QStringLiteral("Current:"), now), 0, 0);
    grid->addWidget(m_currentSite, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("HTTP Status:"), now), 1, 0);
    grid->addWidget(m_httpStatus, 1, 1);
    grid->addWidget(m_httpLed, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Mail Status:"), now), 2, 0);
    grid->addWidget(m_mailStatus, 2, 1);
    grid->addWidget(m_mailLed, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("FTP Status:"), now), 3, 0);
    grid->addWidget(m_ftpStatus, 3, 1);
    grid->addWidget(m_ftpLed, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("HTTP Bytes:"), now), 4, 0);
    grid->addWidget(m_httpBytes, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    // How far the run is.
    auto* totals = new QGroupBox(this);
    m_sitesToPost = counter(totals, "SitesToPostdgt", "Sites still to post in this run");
    m_sitesProcessed = counter(totals, "SitesProcesseddgt", "Sites done in this run");
    m_postStatus = new QProgressBar(totals);
    m_postStatus->setObjectName(QStringLiteral("PostStatus"));
    m_postStatus->setTextVisible(false);
    m_postStatus->setToolTip(QStringLiteral("The sites done out of those to post"));
    auto* toPostCaption = new QLabel(QStringLiteral("Total To Post:"), totals);
    toPostCaption->setObjectName(QStringLiteral("TotalToPostLbl"));
    auto* totalsGrid = new QGridLayout(totals);
    totalsGrid->addWidget(toPostCaption, 0, 0);
    totalsGrid->addWidget(m_sitesToPost, 0, 1);
    totalsGrid->addWidget(new QLabel(QStringLiteral("Total Processed:"), totals), 1, 0);
    totalsGrid->addWidget(m_sitesProcessed, 1, 1);
    totalsGrid->addWidget(new QLabel(QStringLiteral("Total Progress:"), totals), 2, 0, 1, 2);
    totalsGrid->addWidget(m_postStatus, 3, 0, 1, 2);

    auto* top = new QHBoxLayout;
    top->addWidget(now, 3);
    top->addWidget(totals, 2);

    m_ftpList = lineList(this, displays.ftpList(), "ftplist", "The FTP transfer of the site being posted");
    m_ftpList->setFixedHeight(84);
    m_xfer = lineList(this, displays.xferList(), "xfer", "The site's reply to the last HTTP post");
    m_xfer->setFixedHeight(84);
    auto* transfers = new QHBoxLayout;
    transfers->addWidget(m_ftpList, 1);
    transfers->addWidget(m_xfer, 1);
    m_log = lineList(this, displays.log(), "log", "Everything the run did");
    m_mailProgress = new QProgressBar(this);
    m_mailProgress->setObjectName(QStringLiteral("ProgressBar1"));
    m_mailProgress->setRange(0, 100);
    m_mailProgress->setToolTip(QStringLiteral("The mail being sent"));
    m_mailProgress->setVisible(false);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const char* caption, const char* hint, void (TSubmitPage::*clicked)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        connect(b, &QPushButton::clicked, this, clicked);
        buttons->addWidget(b);
        return b;
    };
    m_submit = button("submitBtn", "Save/Submit", "Save the records and submit the application to the chosen sites",
                      &TSubmitPage::submitClicked);
    m_skip = button("skipBtn", "Skip", "Leave the site being posted", &TSubmitPage::skipClicked);
    m_cancel = button("cancelBtn", "Cancel", "Stop the run", &TSubmitPage::cancelClicked);
    buttons->addStretch(1);
    m_viewReports = button("viewReportsBtn", "View Reports", "Browse the reports of earlier runs",
                           &TSubmitPage::viewReportsClicked);
    m_printLog = button("printLogBtn", "Print Log", "Print the run log", &TSubmitPage::printLogClicked);
    m_exit = button("exitBtn", "Exit", "Close Zentrel", &TSubmitPage::exitClicked);
    m_skip->setEnabled(false);
    m_cancel->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(transfers);
    layout->addWidget(new QLabel(QStringLiteral("Log:"), this));
    layout->addWidget(m_log, 1);
    layout->addWidget(m_mailProgress);
    layout->addLayout(buttons);

    connect(&displays, &SubmitDisplays::logLineAdded, this, [this](int row) { selectLast(m_log, row); });
    connect(&displays, &SubmitDisplays::ftpLineAdded, this, [this](int row) { selectLast(m_ftpList, row); });
    connect(&displays, &SubmitDisplays::xferChanged, this, [this](int row) {
        if (row >= 0)
            selectLast(m_xfer, row);
    });
    connect(&displays, &SubmitDisplays::currentSiteChanged, m_currentSite, &QLabel::setText);
    connect(&displays, &SubmitDisplays::statusChanged, this, &TSubmitPage::showStatus);
    connect(&displays, &SubmitDisplays::lampChanged, this, &TSubmitPage::showLamp);
    connect(&displays, &SubmitDisplays::httpBytesChanged, this,
            [this](qint64 bytes) { m_httpBytes->setText(QString::number(bytes)); });
    connect(&displays, &SubmitDisplays::mailProgressChanged, this, &TSubmitPage::showMailProgress);
    connect(&displays, &SubmitDisplays::countersChanged, this, &TSubmitPage::showCounters);
    connect(&displays, &SubmitDisplays::postingChanged, this, [this](bool posting) {
        m_skip->setEnabled(posting);
        m_cancel->setEnabled(posting);
    });

    m_currentSite->setText(displays.currentSite());
    m_httpBytes->setText(QString::number(displays.httpBytes()));
    showStatus();
    for (SubmitDisplays::Lamp which : {SubmitDisplays::Lamp::Http, SubmitDisplays::Lamp::Ftp, SubmitDisplays::Lamp::Mail})
        showLamp(which);
    showCounters();
    showMailProgress();
}

void TSubmitPage::showStatus()
{
    m_httpStatus->setText(m_displays.httpStatus());
    m_ftpStatus->setText(m_displays.ftpStatus());
    m_mailStatus->setText(m_displays.mailStatus());
}

void TSubmitPage::showLamp(SubmitDisplays::Lamp which)
{
    TLed* led = which == SubmitDisplays::Lamp::Http ? m_httpLed
        : which == SubmitDisplays::Lamp::Ftp        ? m_ftpLed
                                                    : m_mailLed;
    const SubmitDisplays::LampState state = m_displays.lamp(which);
    led->setState(state.on, state.blinking);
}

void TSubmitPage::showCounters()
{
    showCount(m_sitesToPost, m_displays.sitesToPost());
    showCount(m_sitesProcessed, m_displays.sitesProcessed());
    // An empty range would make the bar a busy indicator: no sites shows an empty bar.
    m_postStatus->setRange(0, std::max(m_displays.progressMaximum(), 1));
    m_postStatus->setValue(m_displays.progressPosition());
}

void TSubmitPage::showMailProgress()
{
    m_mailProgress->setVisible(m_displays.mailProgressVisible());
    m_mailProgress->setValue(m_displays.mailProgress());
}
