#include "ui/TSettingsForm.h"

#include "records/ProgramSettings.h"
#include "records/ZentrelError.h"
#include "ui/InputRules.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace {


QCheckBox* newCheck(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* check = new QCheckBox(QLatin1String(caption), parent);
    check->setObjectName(QLatin1String(name));
    check->setToolTip(QLatin1String(hint));
    return check;
}

QSpinBox* newSpin(QWidget* parent, const char* name, int low, int high, const char* hint)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(low, high);
    spin->setToolTip(QLatin1String(hint));
    return spin;
}

} // namespace

TSettingsForm::TSettingsForm(ProgramSettings& settings, QString fileName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_settings(settings), m_fileName(std::move(fileName))
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    auto* mail = new QGroupBox(QStringLiteral("Email Settings:"), this);
    auto* mailForm = new QFormLayout(mail);
    m_smtp = InputRules::newEdit(mail, "SMTPEdit",
                                 "The host name of your outgoing mail (SMTP) server; add \":port\" for a port other "
                                 "than 25 (465 is encrypted from the start)");
    m_email = InputRules::newEdit(mail, "EmailEdit", "Your e-mail address; submissions are sent from it");
    m_name = InputRules::newEdit(mail, "NameEdit", "Your name, shown as the sender of submissions");
    m_smtpUser = InputRules::newEdit(mail, "SMTPUserEdit",
                                     "Your user name at the mail server, if it asks you to sign in; Zentrel "
                                     "signs in over an encrypted connection only");
    m_smtpPassword = InputRules::newEdit(mail, "SMTPPasswordEdit",
                                         "Your password at the mail server; sent encrypted only, never logged, kept in "
                                         "settings.dat for you alone");
    m_smtpPassword->setEchoMode(QLineEdit::Password);
    m_requireEncryption = newCheck(mail, "RequireEncryptionCheck", "Require encryption",
                                   "Send no mail to a server that cannot encrypt (port 465, or STARTTLS on any other "
                                   "port)");
    mailForm->addRow(QStringLiteral("SMTP Server:"), m_smtp);
    mailForm->addRow(QStringLiteral("Email Address:"), m_email);
    mailForm->addRow(QStringLiteral("Your Name:"), m_name);
    mailForm->addRow(QStringLiteral("SMTP User Name:"), m_smtpUser);
    mailForm->addRow(QStringLiteral("SMTP Password:"), m_smtpPassword);
    mailForm->addRow(m_requireEncryption);

    auto* proxy = new QGroupBox(QStringLiteral("HTTP Proxy Server Info (If any):"), this);
    auto* proxyForm = new QFormLayout(proxy);
    m_proxy = InputRules::newEdit(proxy, "ProxyEdit", "The host name of your HTTP proxy; leave empty when you use none");
    m_proxyUser = InputRules::newEdit(proxy, "ProxyUserEdit", "Your user name at the proxy, if it asks for one");
    m_proxyPassword = InputRules::newEdit(proxy, "ProxyPasswordEdit", "Your password at the proxy; it is stored as typed");
    m_port = InputRules::newEdit(proxy, "PortEdit", "The port of the proxy, usually 80 or 8080");
    proxyForm->addRow(QStringLiteral("Proxy Server:"), m_proxy);
    proxyForm->addRow(QStringLiteral("Proxy UserName:"), m_proxyUser);
    proxyForm->addRow(QStringLiteral("Proxy Password:"), m_proxyPassword);
    proxyForm->addRow(QStringLiteral("Proxy Port:"), m_port);

    auto* ftp = new QGroupBox(QStringLiteral("FTP Settings:"), this);
    auto* ftpForm = new QFormLayout(ftp);
    m_retries = newSpin(ftp, "RetriesSpin", 0, 50, "How often a failed FTP upload is tried again");
    m_passive = newCheck(ftp, "PassiveCheck", "Passive Mode (Firewalls)",
                         "Use passive FTP transfers, needed behind most firewalls");
    ftpForm->addRow(QStringLiteral("Maximum retries:"), m_retries);
    ftpForm->addRow(m_passive);

    auto* http = new QGroupBox(QStringLiteral("HTTP Settings:"), this);
    auto* httpForm = new QFormLayout(http);
    m_timeOut = newSpin(http, "TimeOutSpin", 10, 60, "How many seconds to wait for a web server before giving up");
    httpForm->addRow(QStringLiteral("Time out Seconds:"), m_timeOut);

    auto* misc = new QGroupBox(QStringLiteral("Misc. Settings:"), this);
    auto* miscLayout = new QVBoxLayout(misc);
    m_hints = newCheck(misc, "HintsCheck", "Show Hints", "Show these hints when the pointer rests on a control");
    m_resetPost = newCheck(misc, "ResetPostCheck", "Reset post to 'N' in site list for successfull submissions",
                           "After a successful submission the site is not posted to again in the next run");
    miscLayout->addWidget(m_hints);
    miscLayout->addWidget(m_resetPost);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, [this] {
        try {
            okBtnClick();
            accept();
        } catch (const ZentrelError& e) {
            emit saveFailed(e.text());
        }
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(mail, 0, 0);
    grid->addWidget(proxy, 0, 1);
    grid->addWidget(ftp, 1, 0);
    grid->addWidget(http, 1, 1);
    grid->addWidget(misc, 2, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    loadFields();
}

void TSettingsForm::loadFields()
{
    m_settings.loadDialogValues(m_fileName);
    m_smtp->setText(m_settings.smtp);
    m_email->setText(m_settings.email);
    m_name->setText(m_settings.name);
    m_smtpUser->setText(m_settings.smtpUserName);
    m_smtpPassword->setText(m_settings.smtpPassword);
    m_requireEncryption->setChecked(m_settings.requireEncryption);
    m_proxy->setText(m_settings.proxy);
    m_proxyUser->setText(m_settings.proxyUserName);
    m_proxyPassword->setText(m_settings.proxyPassword);
    m_port->setText(m_settings.port);
    m_retries->setValue(m_settings.ftpRetries);
    m_timeOut->setValue(m_settings.httpTimeOut);
    m_passive->setChecked(m_settings.ftpPassiveMode);
    m_hints->setChecked(m_settings.showHints);
    m_resetPost->setChecked(m_settings.resetToNoPost);
}

void TSettingsForm::okBtnClick()
{
    // A sign-in text the file would change is refused rather than stored changed.
    const std::pair<const QLineEdit*, QString> signIn[] = {{m_smtpUser, QStringLiteral("SMTP User Name")},
                                                           {m_smtpPassword, QStringLiteral("SMTP Password")}};
    for (const auto& [edit, caption] : signIn) {
        const QString reason = ProgramSettings::unstorableReason(edit->text());
        if (!reason.isEmpty())
            throw ZentrelError(QStringLiteral("The %1 cannot be stored: %2.").arg(caption, reason));
    }
    m_settings.smtp = m_smtp->text();
    m_settings.email = m_email->text();
    m_settings.name = m_name->text();
    m_settings.smtpUserName = m_smtpUser->text();
    m_settings.smtpPassword = m_smtpPassword->text();
    m_settings.requireEncryption = m_requireEncryption->isChecked();
    m_settings.proxy = m_proxy->text();
    m_settings.proxyUserName = m_proxyUser->text();
    m_settings.proxyPassword = m_proxyPassword->text();
    m_settings.port = m_port->text();
    m_settings.ftpRetries = m_retries->value();
    m_settings.httpTimeOut = m_timeOut->value();
    m_settings.ftpPassiveMode = m_passive->isChecked();
    m_settings.showHints = m_hints->isChecked();
    m_settings.resetToNoPost = m_resetPost->isChecked();
    Hints::setEnabled(m_settings.showHints);
    m_settings.saveDialogValues(m_fileName);
}
