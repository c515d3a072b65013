#include "ui/TSetupDlg.h"

#include "submit/SubmissionRun.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

TSetupDlg::TSetupDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupDlg"));
    setWindowTitle(QStringLiteral("Mail Setup"));
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    m_server = edit("ServerEdit");
    m_userAddress = edit("UserAddressEdit");
    m_userName = edit("UserNameEdit");
    m_logFileName = edit("LogFileNameEdit");
    m_logFileName->hide();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("SMTP Server"), m_server);
    form->addRow(QStringLiteral("EMail address"), m_userAddress);
    form->addRow(QStringLiteral("Name"), m_userName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_logFileName);
    layout->addWidget(buttons);
}

void TSetupDlg::fill(const MailSetup& setup)
{
    m_filled = setup;
    m_server->setText(setup.server);
    m_userAddress->setText(setup.userAddress);
    m_userName->setText(setup.userName);
    m_logFileName->setText(setup.logFileName);
}

MailSetup TSetupDlg::values() const
{
    MailSetup setup = m_filled;
    setup.server = m_server->text();
    setup.userAddress = m_userAddress->text();
    setup.userName = m_userName->text();
    setup.logFileName = m_logFileName->text();
    return setup;
}
