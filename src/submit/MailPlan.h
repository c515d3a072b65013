#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class ApplicationRecord;
class CompanyRecord;
class TEngBuild;
struct SiteListRow;

struct MailAttachment {
    QString path;
    qint64 size = -1; // -1: no file there
};

// What one mail of a site would be, worked out from the records and the
// current Site definition without sending or writing anything.
struct MailPlan {
    bool ok = false;          // false: the mail is refused, runLog/siteLog say why, nothing is sent
    QStringList runLog;       // run-log lines of a refusal
    QStringList siteLog;      // site-page lines of a refusal
    QString recipient;
    QString subject;          // at most 255 characters, as sent
    QStringList body;         // empty when the script goes as an attachment
    QStringList scriptFile;   // the lines "zkscript.tmp" would hold, when the script is attached
    QList<MailAttachment> attachments; // in the order they are attached
};

// The mail of the engine's current site for the row: the site's own, or the
// copy for the company contact.
MailPlan planMail(TEngBuild& engine, const ApplicationRecord& app, const CompanyRecord& company,
                  const SiteListRow& row, bool isNew, bool isCopy, const QString& filesDir);

// The three lines that end every mail to a site, after four empty lines.
QStringList mailFooter();
