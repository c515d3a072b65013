#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CompanyRecord;
class SiteBuilder;
class TmsMessage;
class UserPrompts;

// Mails the current Site definition, its category lists and scripts to Halvern
// HQ's engine mailbox, with the company contact as sender, so that a site the
// user added can join the site list of later data updates. The window shows
// the progress; every rule of the mail lives here.
class SiteContribution : public QObject {
    Q_OBJECT
public:
    // settingsFile is "settings.dat", where the maker's server and mailbox may
    // be replaced (ContributeSMTP, ContributeMailbox in SETTINGS).
    SiteContribution(const CompanyRecord& company, SiteBuilder& builder, UserPrompts& prompts,
                     QString settingsFile, QObject* parent = nullptr);

    // Halvern HQ's own mail server and engine mailbox.
    static QString makerServer();
    static QString makerMailbox();
    static const QString RecipientName;
    static const QString SubjectPrefix;
    static constexpr int MaxSubjectLength = 255;

    // The server the mail goes to, "host" or "host:port" (port 25 otherwise),
    // and the mailbox it goes to, as settings.dat has them or else the maker's.
    QString server() const;
    QString mailbox() const;

    // A contact name and an e-mail address with "@" to send from.
    bool contactComplete() const;
    // The site files that exist, in the order the maker reads them.
    QStringList siteFiles() const;
    // Fills the mail for the current site: sender, recipient, subject, the one
    // body line, the files. What the message held before is dropped.
    void fillMessage(TmsMessage& message) const;

    enum class Outcome { NoContact, Sent, Failed };
    // Checks the contact, then sends under the busy cursor and tells the user
    // how it went; a sent mail hides "Contribute!". `sending` is told true just
    // before the mail goes and false once the send has returned, before the
    // result is shown.
    Outcome submit(const std::function<void(bool sending)>& sending = {});

private:
    QString setting(const QString& key, const QString& fallback) const;

    const CompanyRecord& m_company;
    SiteBuilder& m_builder;
    UserPrompts& m_prompts;
    QString m_settingsFile;
};
