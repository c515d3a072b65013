#include "ui/TSubmissionVerifyFrm.h"

#include "submit/ApplicationSiteList.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSubmissionVerifyFrm::TSubmissionVerifyFrm(const QString& application, const QString& company,
                                           const SiteCounts& counts, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SubmissionVerifyFrm"));
    setWindowTitle(QStringLiteral("Submission Verification:"));
    // Wide enough for the caption to stand whole in the title bar.
    setMinimumWidth(340);
    auto* heading = new QLabel(QStringLiteral("Submission Verification"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    heading->setFont(bold);
    auto* line = new QLabel(
        QStringLiteral("Zentrel will submit using the settings you chose on the \"Sites\" tab page."), this);
    line->setWordWrap(true);

    const auto value = [this](const char* name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        return label;
    };
    auto* who = new QFormLayout;
    who->addRow(QStringLiteral("Application:"), value("AppLbl", application));
    who->addRow(QStringLiteral("Company:"), value("CompLbl", company));

    auto* stats = new QGroupBox(QStringLiteral("Post Stats:"), this);
    auto* form = new QFormLayout(stats);
    form->addRow(QStringLiteral("Total Sites:"), value("TotalLbl", QString::number(counts.total)));
    form->addRow(QStringLiteral("New:"), value("NewLbl", QString::number(counts.fresh)));
    form->addRow(QStringLiteral("Update:"), value("UpdateLbl", QString::number(counts.update)));
    form->addRow(QStringLiteral("HTTP:"), value("HTTPLbl", QString::number(counts.http)));
    form->addRow(QStringLiteral("FTP:"), value("FTPLbl", QString::number(counts.ftp)));
    form->addRow(QStringLiteral("FTP w/Zips:"), value("FTPwZIPSlbl", QString::number(counts.zip)));
    form->addRow(QStringLiteral("EMAIL:"), value("EmailLbl", QString::number(counts.email)));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(QStringLiteral("Start Submission"), QDialogButtonBox::AcceptRole);
    start->setObjectName(QStringLiteral("StartBtn"));
    start->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel "), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(line);
    layout->addLayout(who);
    layout->addWidget(stats);
    layout->addWidget(buttons);
}

QString TSubmissionVerifyFrm::shown(const char* labelName) const
{
    const auto* label = findChild<QLabel*>(QLatin1String(labelName));
    return label ? label->text() : QString();
}
