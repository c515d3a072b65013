#include "submit/MailPlan.h"

#include "engines/SiteDefinition.h"
#include "engines/TEngBuild.h"
#include "net/TextLines.h"
#include "records/ApplicationRecord.h"
#include "records/Blanks.h"
#include "records/CompanyRecord.h"
#include "records/ListFile.h"
#include "submit/ApplicationSiteList.h"
#include "submit/PlanSupport.h"

#include <QFileInfo>

namespace {

// A script holding this character goes as an attached file, not in the body.
constexpr char16_t AttachMark = 0xBA;
constexpr qsizetype SubjectLimit = 255;

MailAttachment attachment(const QString& path)
{
    const QFileInfo file(path);
    return {path, !path.isEmpty() && file.isFile() ? file.size() : -1};
}

} // namespace

QStringList mailFooter()
{
    // The maker's page, as the Help menu opens it.
    return {QString(), QStringLiteral("For information about Zentrel software and the free ZentrelKeeper"),
            QStringLiteral("for shareware sites, please visit https://www.halvernhq.com/")};
}

MailPlan planMail(TEngBuild& engine, const ApplicationRecord& app, const CompanyRecord& company,
                  const SiteListRow& row, bool isNew, bool isCopy, const QString& filesDir)
{
    MailPlan plan;
    const SiteDefinition& def = engine.site();
    const QString site = engine.siteName();

    // Addresses go out as written; they hold no variables.
    if (isCopy)
        plan.recipient = company.field(CompanyField::Email);
    else if (isNew || def.emailToNameUpdate.isEmpty())
        plan.recipient = def.emailToName;
    else
        plan.recipient = def.emailToNameUpdate;

    const QString subjectTemplate = isNew || def.emailSubjectUpdate.isEmpty() ? def.emailSubject : def.emailSubjectUpdate;
    QString subject = trimLeadingBlanks(subjectTemplate);
    if (subject.isEmpty())
        subject = QStringLiteral("Submission");
    else if (!expandInto(engine, subject, subject))
        // The kind's own subject as written: an update never goes out under the new-listing subject.
        subject = subjectTemplate;
    if (isCopy)
        subject += QStringLiteral(" (") + row.site + u')';
    plan.subject = subject.left(SubjectLimit);

    // The body follows the row's own kind, whatever the caller's.
    const SiteScript kind = row.submit == u"New" ? SiteScript::EmailNew : SiteScript::EmailUpdate;
    const QString script = trimLeadingBlanks(def.scripts[size_t(kind)].join(QStringLiteral("\r\n")));
    if (script.isEmpty()) {
        plan.runLog = {QStringLiteral("No Engine Script For EMAIL Post For: ") + site,
                       QStringLiteral("Unable to post EMAIL to: ") + site, site + QStringLiteral(" EMail ERROR!!!")};
        return plan;
    }
    QString text;
    if (!expandInto(engine, script, text)) {
        plan.runLog = {QStringLiteral("Unable to post Email to: ") + site};
        plan.siteLog = {QStringLiteral("SCRIPT ERROR FOR ") + site};
        return plan;
    }
    const QStringList lines = textLines(text);
    plan.body = lines;
    // Only the site's own mail carries the footer.
    if (!isCopy)
        plan.body << QString() << QString() << QString() << QString() << mailFooter();

    if (def.emailAttachScript && text.contains(QChar(AttachMark))) {
        plan.scriptFile = lines;
        plan.attachments.append(
            {inFolder(filesDir, QStringLiteral("zkscript.tmp")), qint64(ListFile::serialize(lines).size())});
        plan.body.clear();
    }

    // The program archive goes to the site only; the pictures and the other file to both.
    if (def.emailAttachApplication && !isCopy)
        plan.attachments.append(attachment(app.field(AppField::Path)));
    const std::pair<bool, AppField> extras[] = {{def.emailAttachGif, AppField::GifPath},
                                                {def.emailAttachIco, AppField::IcoPath},
                                                {def.emailAttachScreen, AppField::ScreenPath},
                                                {def.emailAttachOther, AppField::OtherPath}};
    for (const auto& [wanted, field] : extras) {
        if (wanted && !app.field(field).isEmpty())
            plan.attachments.append(attachment(app.field(field)));
    }
    plan.ok = true;
    return plan;
}
