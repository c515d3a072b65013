#include "submit/FtpPlan.h"

#include "engines/SiteDefinition.h"
#include "engines/TEngBuild.h"
#include "net/TextLines.h"
#include "net/ZipEntries.h"
#include "records/ApplicationRecord.h"
#include "records/Blanks.h"
#include "records/ListFile.h"
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

// The added text file is written into the files directory under its name, so
// the name must stay there.
bool isPlainFileName(const QString& name)
{
    return !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

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

    // The added text file: a text that does not expand is neither written nor sent.
    const QString script = def.scripts[size_t(SiteScript::FtpNew)].join(QStringLiteral("\r\n"));
    QString addedText;
    bool added = true;
    if (!script.isEmpty()) {
        addedText = script;
        added = expandInto(engine, script, addedText);
    }
    if (added && !addedText.isEmpty()) {
        added = expandInto(engine, def.ftpFilename, plan.addedTextName);
        if (added && !plan.addedTextName.isEmpty())
            added = isPlainFileName(plan.addedTextName);
    }
    plan.addedTextOk = added;
    plan.addedText = textLines(addedText);
    const bool addedPresent = added && !plan.addedTextName.isEmpty();
    const FtpUpload addedUpload{inFolder(filesDir, plan.addedTextName), plan.remotePath + plan.addedTextName, false,
                                qint64(ListFile::serialize(plan.addedText).size())};

    const QString localPath = app.field(AppField::Path);
    const QFileInfo local(localPath);
    if (!local.isFile())
        refuse(QStringLiteral("Cannot find file ") + localPath);
    const bool localIsZip = extensionOf(local.fileName()).toUpper() == u".ZIP";

    if (!def.useZipFile && !localIsZip) {
        const QString fileName = app.field(AppField::FileName);
        const QString remoteName
            = def.use8x3Filename ? app.field(AppField::Char8) + extensionOf(fileName) : fileName;
        plan.uploads.append({localPath, plan.remotePath + remoteName, true, sizeOf(localPath)});
        if (addedPresent)
            plan.uploads.append(addedUpload);
        plan.ok = plan.problem.isEmpty();
        return plan;
    }

    plan.zip = true;
    // Entries are stored under their file names; a name already there is replaced.
    const auto addEntry = [&plan](const QString& name) {
        if (!plan.archiveEntries.contains(name))
            plan.archiveEntries.append(name);
    };
    bool archiveChanges = false;
    if (!localIsZip) {
        const QString base = def.use8x3Filename ? app.field(AppField::Char8)
                                                : local.fileName().chopped(extensionOf(local.fileName()).size());
        plan.archiveName = base + QStringLiteral(".zip");
        // The archive is made in the files directory under this name, so the name must stay there.
        if (!isPlainFileName(plan.archiveName) || base.isEmpty())
            refuse(QStringLiteral("Unusable archive name: ") + plan.archiveName);
        // An archive left by an earlier run or attempt is added to, not replaced.
        const QString archivePath = inFolder(filesDir, plan.archiveName);
        if (QFileInfo::exists(archivePath)) {
            if (const auto entries = readZipEntries(archivePath))
                plan.archiveEntries = *entries;
            else
                refuse(QStringLiteral("Cannot add to ") + archivePath + QStringLiteral(": it is no zip archive"));
        }
        addEntry(local.fileName());
        archiveChanges = true;
    } else {
        // The user's archive goes as it is, under its own name.
        plan.archiveName = local.fileName();
        plan.archiveInPlace = sameFile(localPath, inFolder(filesDir, plan.archiveName));
        plan.archiveEntries = zipEntryNames(localPath);
    }
    const bool inside = def.addedText == AddedTextPlacement::InsideZip;
    if (inside && addedPresent) {
        addEntry(plan.addedTextName);
        archiveChanges = true;
    }

    const QString archivePath = inFolder(filesDir, plan.archiveName);
    plan.uploads.append(
        {archivePath, plan.remotePath + plan.archiveName, true, archiveChanges ? -1 : sizeOf(localPath)});
    if (!inside && addedPresent)
        plan.uploads.append(addedUpload);
    plan.ok = plan.problem.isEmpty();
    return plan;
}
