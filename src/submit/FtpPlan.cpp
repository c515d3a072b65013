#include "submit/FtpPlan.h"

#include "engines/SiteDefinition.h"
#include "engines/TEngBuild.h"
#include "net/TextLines.h"
#include "net/ZipEntries.h"
#include "records/ApplicationRecord.h"
#include "records/Blanks.h"
#include "records/ListFile.h"
#include "records/WorkspacePath.h"
#include "submit/PlanSupport.h"

#include <QFileInfo>

namespace {

// The extension of a file name with its dot; empty when it has none.
QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

qint64 sizeOf(const QString& path)
{
    const QFileInfo file(path);
    return !path.isEmpty() && file.isFile() ? file.size() : -1;
}

// The added text file and the archive are written into the files directory
// under their names, so the names must stay there.
bool isPlainFileName(const QString& name)
{
    return WorkspacePath::isSafeName(name);
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

TFtpTls ftpTlsOf(const SiteDefinition& site)
{
    switch (site.ftpTls) {
    case 1: return ftpTlsWhenOffered;
    case 2: return ftpTlsRequired;
    default: return ftpTlsNone;
    }
}

QString encryptionLine(TFtpTls encryption)
{
    switch (encryption) {
    case ftpTlsRequired: return QStringLiteral("FTP encryption: required");
    case ftpTlsWhenOffered: return QStringLiteral("FTP encryption: when offered");
    case ftpTlsNone: break;
    }
    return QString();
}

FtpPlan planFtp(TEngBuild& engine, const ApplicationRecord& app, const QString& filesDir)
{
    FtpPlan plan;
    const SiteDefinition& def = engine.site();
    const QString site = engine.siteName();
    const auto refuse = [&plan](const QString& why) {
        if (plan.problem.isEmpty())
            plan.problem = why;
    };

    // Logon: the server as written; the user expanded, or as written when it does not expand.
    plan.server = def.ftpServer;
    plan.encryption = ftpTlsOf(def);
    if (trimBlanks(plan.server).isEmpty())
        refuse(QStringLiteral("No FTP server for: ") + site);
    plan.user = def.loginName;
    expandInto(engine, def.loginName, plan.user);

    // The remote path carries its own trailing separator; a leading backslash is dropped.
    QString remotePath = def.remotePath;
    if (remotePath.startsWith(u'\\'))
        remotePath.remove(0, 1);
    plan.remotePath = remotePath;
    expandInto(engine, remotePath, plan.remotePath);

    const QString localPath = app.field(AppField::Path);
    const QFileInfo local(localPath);
    if (!local.isFile())
        refuse(QStringLiteral("Cannot find file ") + localPath);
    const bool localIsZip = extensionOf(local.fileName()).toUpper() == u".ZIP";
    plan.zip = def.useZipFile || localIsZip;
    plan.programIsZip = plan.zip && localIsZip;
    if (plan.zip) {
        if (!localIsZip) {
            const QString base = def.use8x3Filename ? app.field(AppField::Char8)
                                                    : local.fileName().chopped(extensionOf(local.fileName()).size());
            plan.archiveName = base + QStringLiteral(".zip");
            // The archive is made in the files directory under this name, so the name must stay there.
            if (!isPlainFileName(plan.archiveName) || base.isEmpty())
                refuse(QStringLiteral("Unusable archive name: ") + plan.archiveName);
        } else {
            // The user's archive goes as it is, under its own name.
            plan.archiveName = local.fileName();
            if (!isPlainFileName(plan.archiveName))
                refuse(QStringLiteral("Unusable archive name: ") + plan.archiveName);
            plan.archiveInPlace = sameFile(localPath, inFolder(filesDir, plan.archiveName));
        }
    }

    // The added text file: a text that does not expand is neither written nor sent.
    const QString script = def.scripts[size_t(SiteScript::FtpNew)].join(QStringLiteral("\r\n"));
    QString addedText;
    bool added = true;
    // What stood in the way, with the name the expansion did not know.
    const auto problem = [&engine](const QString& what) {
        const QString unknown = engine.ExpandError() ? engine.ExpandErrorText() : QString();
        return unknown.isEmpty() ? what : what + QStringLiteral(" (") + unknown + u')';
    };
    if (!script.isEmpty()) {
        addedText = script;
        added = expandInto(engine, script, addedText);
        if (!added)
            plan.addedTextProblem = problem(QStringLiteral("the FTP script does not expand"));
    }
    if (added && !addedText.isEmpty()) {
        QString& name = plan.addedTextName;
        added = expandInto(engine, def.ftpFilename, name);
        if (!added) {
            plan.addedTextProblem = problem(QStringLiteral("the added text file name does not expand"));
        } else if (!name.isEmpty() && !isPlainFileName(name)) {
            added = false;
            plan.addedTextProblem = WorkspacePath::unsafeNameMessage(name);
        } else if (!name.isEmpty()
                   && (name == plan.archiveName || sameFile(inFolder(filesDir, name), localPath))) {
            // Writing the text there would replace the program or its archive.
            added = false;
            plan.addedTextProblem = QStringLiteral("its name \"") + name
                                    + QStringLiteral("\" is that of the program or of its archive");
        }
    }
    plan.addedTextOk = added;
    plan.addedText = textLines(addedText);
    const bool addedPresent = added && !plan.addedTextName.isEmpty();
    const FtpUpload addedUpload{inFolder(filesDir, plan.addedTextName), plan.remotePath + plan.addedTextName, false,
                                qint64(ListFile::serialize(plan.addedText).size())};

    if (!plan.zip) {
        const QString fileName = app.field(AppField::FileName);
        const QString remoteName
            = def.use8x3Filename ? app.field(AppField::Char8) + extensionOf(fileName) : fileName;
        plan.uploads.append({localPath, plan.remotePath + remoteName, true, sizeOf(localPath)});
        if (addedPresent)
            plan.uploads.append(addedUpload);
        plan.ok = plan.problem.isEmpty();
        return plan;
    }

    // Entries are stored under their file names; a name already there is replaced.
    const auto addEntry = [&plan](const QString& name) {
        if (!plan.archiveEntries.contains(name))
            plan.archiveEntries.append(name);
    };
    bool archiveChanges = false;
    if (!localIsZip) {
        // Every attempt makes the archive afresh: what an earlier one held is not sent again.
        addEntry(local.fileName());
        archiveChanges = true;
    } else {
        plan.archiveEntries = zipEntryNames(localPath);
    }
    const bool inside = def.addedText == AddedTextPlacement::InsideZip;
    if (inside && addedPresent) {
        addEntry(plan.addedTextName);
        archiveChanges = true;
        // The user's own archive is not changed: the text goes into a copy made for sending.
        plan.sendsCopy = plan.archiveInPlace;
    }

    const QString archivePath = inFolder(filesDir, plan.sendsCopy ? sendCopyName() : plan.archiveName);
    plan.uploads.append(
        {archivePath, plan.remotePath + plan.archiveName, true, archiveChanges ? -1 : sizeOf(localPath)});
    if (!inside && addedPresent)
        plan.uploads.append(addedUpload);
    plan.ok = plan.problem.isEmpty();
    return plan;
}
