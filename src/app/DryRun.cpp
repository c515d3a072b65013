#include "app/DryRun.h"

#include "engines/TEngBuild.h"
#include "records/ApplicationRecord.h"
#include "records/TGWide.h"
#include "records/ZentrelError.h"
#include "submit/ApplicationSiteList.h"
#include "submit/FtpPlan.h"
#include "submit/MailPlan.h"
#include "submit/SubmissionRun.h"
#include "workflow/MainModel.h"

#include <QTextStream>

namespace DryRun {

namespace {

QString sizeText(qint64 size)
{
    return size < 0 ? QStringLiteral("no file there") : QStringLiteral("%1 bytes").arg(size);
}

void printLines(QTextStream& out, const QString& caption, const QStringList& lines)
{
    out << QStringLiteral("    ") << caption << Qt::endl;
    for (const QString& line : lines)
        out << QStringLiteral("      ") << line << Qt::endl;
}

// True when the form would be sent.
bool printHttp(SubmissionRun& run, const QString& site, bool isNew, QTextStream& out)
{
    const SubmissionRun::HttpRequest request = run.prepareHttp(isNew);
    switch (request.problem) {
    case SubmissionRun::HttpRequest::Problem::NoScript:
        out << QStringLiteral("  HTTP: No Engine Script For HTTP Post For: ") << site << Qt::endl;
        return false;
    case SubmissionRun::HttpRequest::Problem::ScriptError:
        out << QStringLiteral("  HTTP: SCRIPT ERROR FOR ") << site << Qt::endl;
        return false;
    case SubmissionRun::HttpRequest::Problem::None: break;
    }
    out << QStringLiteral("  HTTP ") << (request.get ? QStringLiteral("GET ") : QStringLiteral("POST "))
        << request.url << Qt::endl;
    if (!request.get)
        printLines(out, QStringLiteral("body (each line ended by CR LF):"), request.form.split(QStringLiteral("\r\n")));
    return true;
}

bool printFtp(MainModel& model, QTextStream& out)
{
    const FtpPlan plan = planFtp(*model.engine(), model.application(), model.workspace().FilesDir());
    out << QStringLiteral("  FTP to ") << plan.server << QStringLiteral(" as ") << plan.user
        << QStringLiteral(", remote path \"") << plan.remotePath << u'"' << Qt::endl;
    if (const QString line = encryptionLine(plan.encryption); !line.isEmpty())
        out << QStringLiteral("    ") << line << Qt::endl;
    if (!plan.addedTextOk)
        out << QStringLiteral("    no added text file: ") << plan.addedTextProblem << Qt::endl;
    else if (!plan.addedTextName.isEmpty())
        printLines(out, QStringLiteral("added text file ") + plan.addedTextName + u':', plan.addedText);
    if (plan.zip)
        printLines(out, QStringLiteral("archive ") + plan.archiveName + QStringLiteral(" holding:"),
                   plan.archiveEntries);
    for (const FtpUpload& upload : plan.uploads)
        out << QStringLiteral("    upload ") << upload.localFile << QStringLiteral(" -> ") << upload.remoteFile
            << (upload.binary ? QStringLiteral(" (binary, ") : QStringLiteral(" (text, "))
            << (upload.size < 0 && plan.zip && upload.binary ? QStringLiteral("made by the run")
                                                              : sizeText(upload.size))
            << u')' << Qt::endl;
    if (!plan.ok)
        out << QStringLiteral("    would fail: ") << plan.problem << Qt::endl;
    return plan.ok;
}

bool printMail(MainModel& model, const SiteListRow& row, bool isNew, bool isCopy, QTextStream& out)
{
    const MailPlan plan = planMail(*model.engine(), model.application(), model.company(), row, isNew, isCopy,
                                   model.workspace().FilesDir());
    const QString what = isCopy ? QStringLiteral("  E-mail copy") : QStringLiteral("  E-mail");
    if (!plan.ok) {
        for (const QString& line : plan.runLog + plan.siteLog)
            out << what << QStringLiteral(": ") << line << Qt::endl;
        return false;
    }
    out << what << QStringLiteral(" to ") << plan.recipient << QStringLiteral(", subject \"") << plan.subject << u'"'
        << Qt::endl;
    for (const MailAttachment& file : plan.attachments)
        out << QStringLiteral("    attachment ") << file.path << QStringLiteral(" (") << sizeText(file.size) << u')'
            << Qt::endl;
    if (!plan.scriptFile.isEmpty())
        printLines(out, QStringLiteral("script attached as zkscript.tmp:"), plan.scriptFile);
    if (!plan.body.isEmpty())
        printLines(out, QStringLiteral("body:"), plan.body);
    return true;
}

} // namespace

int print(MainModel& model, QTextStream& out)
{
    SubmissionRun& run = model.run();
    TEngBuild* engine = model.engine();
    if (!engine || !run.checkReady())
        return 2;
    // The texts go out rewrapped; the record itself is never written here.
    run.wrapDescriptions();

    ApplicationSiteList& list = model.siteList();
    const int total = list.counts().total;
    int number = 0;
    bool allPosted = true;
    for (int row = 0; row < list.rows().size(); ++row) {
        if (!list.isToPost(row))
            continue;
        const SiteListRow r = list.rows().at(row);
        engine->setProblemReporter([&out](const QString& text) { out << QStringLiteral("  ") << text << Qt::endl; });
        QString unreadable;
        try {
            engine->LoadSite(r.site);
        } catch (const ZentrelError& e) {
            unreadable = e.text(); // the run ends at such a file; here the site says so
        }
        engine->setProblemReporter(nullptr);
        if (!unreadable.isEmpty()) {
            out << QStringLiteral("Site %1 of %2: %3 (%4)").arg(++number).arg(total).arg(r.site, r.submit) << Qt::endl
                << QStringLiteral("  the run would end here: ") << unreadable << Qt::endl;
            allPosted = false;
            continue;
        }
        const SiteDefinition& site = engine->site();
        if (engine->definitionRead() && !SubmissionRun::fits(site, model.application()))
            continue;
        const bool isNew = r.submit == u"New";
        out << QStringLiteral("Site %1 of %2: %3 (%4)").arg(++number).arg(total).arg(r.site, r.submit) << Qt::endl;
        if (!engine->definitionRead()) {
            out << QStringLiteral("  not posted: no site definition") << Qt::endl;
            allPosted = false;
            continue;
        }
        list.setPostingRow(row);
        const bool ftp = SubmissionRun::ftpApplies(site);
        const bool http = SubmissionRun::httpApplies(site, isNew);
        const bool email = SubmissionRun::emailApplies(site, isNew);
        // The sites the run refuses before any method: it sends them nothing.
        QString refused;
        if (SubmissionRun::isSimtelSite(r.site) && run.simtelPassword().isEmpty())
            refused = QStringLiteral("no Simtel password");
        else if (ftp && !run.hasFtpMethod())
            refused = QStringLiteral("FTP upload is not available yet");
        else if (email && !run.hasEmailMethod())
            refused = QStringLiteral("e-mail posting is not available yet");
        if (!refused.isEmpty()) {
            out << QStringLiteral("  not posted: ") << refused << Qt::endl;
            allPosted = false;
            // What the site would be sent once it can be, for the publisher to check now.
            if (refused.endsWith(u"not available yet"))
                out << QStringLiteral("  once it is, the site would be sent:") << Qt::endl;
            else
                continue;
        }
        if (!ftp && !http && !email)
            out << QStringLiteral("  no method: the site counts as posted") << Qt::endl;
        // A method that fails leaves the site's later methods out.
        bool ok = true;
        const auto leaveOut = [&out] { out << QStringLiteral("  the site's later methods would not run") << Qt::endl; };
        if (ftp && !(ok = printFtp(model, out)) && (http || email))
            leaveOut();
        if (http && ok && !(ok = printHttp(run, r.site, isNew, out)) && email)
            leaveOut();
        if (email && ok) {
            ok = printMail(model, r, isNew, false, out);
            if (ok && site.emailSendCopy)
                printMail(model, r, isNew, true, out);
        }
        allPosted = allPosted && ok;
    }
    list.setPostingRow(-1);
    out << QStringLiteral("Dry run: %1 site(s) to post; nothing was sent and no file was changed.").arg(number)
        << Qt::endl;
    return allPosted ? 0 : 1;
}

} // namespace DryRun
