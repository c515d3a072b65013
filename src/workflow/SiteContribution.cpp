#include "workflow/SiteContribution.h"

#include "engines/TEngBuild.h"
#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"
#include "records/Blanks.h"
#include "records/Clock.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "workflow/SiteBuilder.h"

#include <QFileInfo>
#include <QScopeGuard>

const QString SiteContribution::RecipientName = QStringLiteral("Zentrel Engine Submissions");
const QString SiteContribution::SubjectPrefix = QStringLiteral("New Site Submission for: ");

SiteContribution::SiteContribution(const CompanyRecord& company, SiteBuilder& builder, UserPrompts& prompts,
                                   QString settingsFile, QObject* parent)
    : QObject(parent), m_company(company), m_builder(builder), m_prompts(prompts),
      m_settingsFile(std::move(settingsFile))
{
}

QString SiteContribution::makerServer()
{
    return QStringLiteral("mail.halvernhq.com");
}

QString SiteContribution::makerMailbox()
{
    return QStringLiteral("engines@halvernhq.com");
}

QString SiteContribution::setting(const QString& key, const QString& fallback) const
{
    // Read only: the program never writes these keys, a user or the maker's
    // support puts them there when the maker's own server cannot be reached.
    const QString value = trimBlanks(TIniFile(m_settingsFile).ReadString(QStringLiteral("SETTINGS"), key, QString()));
    return value.isEmpty() ? fallback : value;
}

QString SiteContribution::server() const
{
    return setting(QStringLiteral("ContributeSMTP"), makerServer());
}

QString SiteContribution::mailbox() const
{
    return setting(QStringLiteral("ContributeMailbox"), makerMailbox());
}

bool SiteContribution::contactComplete() const
{
    return !m_company.field(CompanyField::Contact).isEmpty()
        && m_company.field(CompanyField::Email).contains(u'@');
}

QStringList SiteContribution::siteFiles() const
{
    const TEngBuild* engine = m_builder.engine();
    if (!engine || !m_builder.hasSite())
        return {};
    const QString name = m_builder.siteName();
    QStringList candidates{engine->definitionFile(name), engine->primaryCategoryFile(name),
                           engine->secondaryCategoryFile(name)};
    for (SiteScript script : {SiteScript::HttpNew, SiteScript::HttpUpdate, SiteScript::FtpNew,
                              SiteScript::EmailNew, SiteScript::EmailUpdate})
        candidates << engine->scriptFile(name, script);
    QStringList files;
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            files << path;
    }
    return files;
}

void SiteContribution::fillMessage(TmsMessage& message) const
{
    const QString subject = QString(SubjectPrefix + m_builder.siteName()).left(MaxSubjectLength);
    message.setSubject(subject);
    message.Sender().setName(m_company.field(CompanyField::Contact));
    message.Sender().setAddress(m_company.field(CompanyField::Email));
    message.Recipients().Clear();
    message.Recipients().Add(RecipientName, mailbox());
    message.Body().clear();
    message.Body() << subject;
    message.setContentType(QStringLiteral("text/plain"));
    message.Attachments().Clear();
    for (const QString& path : siteFiles())
        message.Attachments().Add(path);
    message.setDate(Clock::now());
}

SiteContribution::Outcome SiteContribution::submit(const std::function<void(bool sending)>& sending)
{
    if (!contactComplete()) {
        m_prompts.info(QStringLiteral("You do not have your company contact info filled in. Please do so now!"));
        return Outcome::NoContact;
    }

    bool failed = false;
    {
        BusyCursor busy(m_prompts);
        if (sending)
            sending(true);
        const auto sent = qScopeGuard([&] {
            if (sending)
                sending(false);
        });
        try {
            TmsMessage message;
            fillMessage(message);
            TmsSMTP smtp;
            smtp.setServer(server());
            smtp.setDefaultPort(25);
            smtp.setMailMessage(&message);
            ProgramSettings settings;
            settings.load(m_settingsFile);
            smtp.setRequireEncryption(settings.requireEncryption);
            // The sign-in is the user's account on their own server: it goes
            // to no other, the maker's least of all.
            if (settings.isOwnMailServer(smtp.Server())) {
                smtp.setUserName(settings.smtpUserName);
                smtp.setPassword(settings.smtpPassword);
            }
            smtp.OnError = [&failed](TagSocket&, const QString&) { failed = true; };
            smtp.Send();
        } catch (...) {
            // Whatever stopped the mail (the settings, the server, a site file
            // that went meanwhile), the user hears the one message below.
            failed = true;
        }
    }

    if (failed) {
        m_prompts.info(QStringLiteral("ERROR -> Submission Could Not Be Sent!"));
        return Outcome::Failed;
    }
    m_prompts.info(QStringLiteral("Submission Sent. Thank You!"));
    m_builder.setContributeShown(false);
    return Outcome::Sent;
}
