#include "ui/TContributeFrm.h"

#include "workflow/SiteContribution.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* text(const QString& content, const char* objectName, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setObjectName(QLatin1String(objectName));
    // Plain text keeps the two leading blanks that indent each paragraph.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

TContributeFrm::TContributeFrm(SiteContribution& contribution, QWidget* parent)
    : QDialog(parent), m_contribution(contribution)
{
    setObjectName(QStringLiteral("ContributeFrm"));
    setWindowTitle(QStringLiteral("Contribute Engine to Halvern HQ:"));
    setModal(true);

    m_intro = text(QStringLiteral("  If the current site was added directly by you as a new site and you would like "
                                  "to contribute the site and its engine data to Halvern HQ for addition into future "
                                  "updates then we welcome your submission."),
                   "IntroLabel", this);
    m_howTo = text(QStringLiteral("  Clicking the Submit button will send the added site's data files to Halvern HQ "
                                  "by e-mail, with your company contact as the sender."),
                   "SubmitLabel", this);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("SendingPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* wait = new QLabel(QStringLiteral("Sending Submission. Please Wait..."), panel);
    wait->setAlignment(Qt::AlignCenter);
    QFont bold = wait->font();
    bold.setBold(true);
    wait->setFont(bold);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(wait);
    panel->setMinimumHeight(60);
    panel->hide();
    m_panel = panel;

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_cancel->setAutoDefault(false);
    m_submit = new QPushButton(QStringLiteral("Submit"), this);
    m_submit->setObjectName(QStringLiteral("SubmitBtn"));
    m_submit->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &TContributeFrm::reject);
    connect(m_submit, &QPushButton::clicked, this, &TContributeFrm::SubmitBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_submit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_intro);
    layout->addWidget(m_howTo);
    layout->addWidget(m_panel);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void TContributeFrm::SubmitBtnClick()
{
    const SiteContribution::Outcome outcome = m_contribution.submit([this](bool on) { setSending(on); });
    done(outcome == SiteContribution::Outcome::Sent ? Accepted : Rejected);
}

void TContributeFrm::setSending(bool sending)
{
    m_sending = sending;
    if (!sending)
        return;
    m_cancel->setEnabled(false);
    m_submit->setEnabled(false);
    m_intro->hide();
    m_howTo->hide();
    m_panel->show();
}

void TContributeFrm::done(int result)
{
    // Escape, "Cancel" and the frame's close all end up here; none may end the
    // window while it sends.
    if (m_sending)
        return;
    QDialog::done(result);
}

void TContributeFrm::closeEvent(QCloseEvent* event)
{
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
