#include "submit/FtpPosting.h"

#include "engines/TEngBuild.h"
#include "net/ESocketError.h"
#include "net/TextLines.h"
#include "records/ApplicationRecord.h"
#include "records/ListFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"
#include "submit/FtpPlan.h"
#include "submit/PlanSupport.h"
#include "submit/SubmitDisplays.h"

#include <QFile>
#include <QFileInfo>

FtpPosting::FtpPosting(Context context) : m_context(std::move(context))
{
    ZipArchive1.setCompressionLevel(9);
    ZipArchive1.setAddOptions(zaoNone);
    ZipArchive1.OnRefusal = [this](TZipArchive&, const QString& text) { m_context.prompts.error(text); };
}

FtpPosting::~FtpPosting() = default;

QString FtpPosting::filesDir() const
{
    QString dir = m_context.filesDir();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

void FtpPosting::abort()
{
    // Only an attempt in progress has a client to stop.
    if (m_holder)
        m_holder->abortAction();
}

bool FtpPosting::PostFtp(bool passive)
{
    m_lastError.clear();
    // An earlier attempt's error must not stand for this one's.
    m_state = FtpAttemptState{};
    m_holder = std::make_unique<TftpForm1>(m_context.displays, m_state);
    // The holder goes on every way out, closing any connection it left open.
    struct Release {
        std::unique_ptr<TftpForm1>& holder;
        ~Release() { holder.reset(); }
    } release{m_holder};
    m_holder->FTP1.setPassive(passive);
    m_holder->FTP1.setTimeOut(m_timeOut);
    const bool posted = post();
    if (!posted && m_lastError.isEmpty())
        m_lastError = m_state.FtpErrorText;
    return posted;
}

bool FtpPosting::fail(const QString& why)
{
    // The site's FTP page and the run log both say why the attempt ended.
    m_context.displays.AddFtpLog(why);
    m_context.displays.AddLog(m_site + QStringLiteral(" -> ") + why);
    m_lastError = why;
    m_holder->logoff();
    return false;
}

bool FtpPosting::post()
{
    SubmitDisplays& displays = m_context.displays;
    TEngBuild& engine = *m_context.engine();
    TftpForm1& holder = *m_holder;
    const SiteDefinition& def = engine.site();
    const QString files = filesDir();
    m_site = engine.siteName();

    m_state.FtpFailed = false;
    holder.logoff();
    displays.setFtpStatus(QStringLiteral("logging on to ") + m_site);

    holder.tHost = def.ftpServer;
    // A name or password that does not expand goes as written.
    holder.tUser = def.loginName;
    expandInto(engine, def.loginName, holder.tUser);
    holder.tPasswd = def.loginPassword;
    expandInto(engine, def.loginPassword, holder.tPasswd);
    holder.eRemoteFile.clear();
    holder.FTP1.setTls(ftpTlsOf(def));
    holder.logon();
    if (m_state.FtpFailed) {
        // The run log says why no logon came about: a refused certificate, a
        // stalled or flooding server is not the usual unreachable one, and
        // "[Unable To Connect.]" alone does not tell them apart.
        if (!m_state.FtpErrorText.isEmpty())
            displays.AddLog(m_site + QStringLiteral(" -> ") + QStringLiteral("FTP error: ") + m_state.FtpErrorText);
        return false;
    }

    // Every name the attempt sends or writes, worked out as the dry run shows it.
    const FtpPlan plan = planFtp(engine, m_context.application, files);
    const bool added = PrepareAddedTextFile(plan);
    const bool addedPresent = added && !m_addedTextName.isEmpty();
    const QString addedPath = files + m_addedTextName;
    const auto sendAddedText = [&] {
        return send(addedPath, plan.remotePath + m_addedTextName, tmASCII);
    };

    const QString localPath = m_context.application.field(AppField::Path);
    if (!plan.zip) {
        const FtpUpload& program = plan.uploads.at(0);
        if (!send(localPath, program.remoteFile, tmBinary))
            return false;
        displays.AddLog(QStringLiteral("Uploaded ") + program.remoteFile + QStringLiteral(" to ") + m_site);
        if (addedPresent) {
            if (!sendAddedText())
                return false;
            displays.AddLog(QStringLiteral("Uploaded ") + m_addedTextName + QStringLiteral(" to ") + m_site);
        }
        return true;
    }

    const QString& archiveName = plan.archiveName;
    if (!WorkspacePath::isSafeName(archiveName))
        return fail(QStringLiteral("ERROR ZIPPING FILE -> ") + archiveName + QStringLiteral(": ")
                    + WorkspacePath::unsafeNameMessage(archiveName));
    const QString archive = files + archiveName;
    if (!plan.programIsZip) {
        displays.AddFtpLog(QStringLiteral("Zipping File: ") + archive);
        // Each attempt packs afresh; an archive left by an earlier one must not go instead.
        if (QFileInfo::exists(archive) && !QFile::remove(archive))
            return fail(QStringLiteral("ERROR ZIPPING FILE -> ") + archive
                        + QStringLiteral(": the archive left by an earlier attempt cannot be deleted"));
        if (!zip(archive, localPath))
            return false;
    } else if (plan.archiveInPlace) {
        // The user's archive already lies there: deleting it to copy it onto itself would lose it.
        displays.AddFtpLog(QStringLiteral("Prepairing Zip File: ") + archive);
    } else {
        displays.AddFtpLog(QStringLiteral("Prepairing Zip File: ") + archive);
        if (!copy(localPath, archive))
            return false;
    }
    if (!QFileInfo(archive).isFile()) {
        m_lastError = QStringLiteral("No archive at ") + archive;
        return false;
    }

    const bool inside = def.addedText == AddedTextPlacement::InsideZip;
    QString sent = archive;
    if (inside && addedPresent && QFileInfo(addedPath).isFile()) {
        // A kept archive stays as the user made it: its copy gets the added text.
        if (plan.sendsCopy) {
            sent = files + sendCopyName();
            if (!copy(archive, sent))
                return false;
        }
        displays.AddFtpLog(QStringLiteral("Adding To Zip File: ") + addedPath);
        if (!zip(sent, addedPath))
            return false;
    }

    const QString remoteArchive = plan.remotePath + archiveName;
    if (!send(sent, remoteArchive, tmBinary))
        return false;
    displays.AddLog(QStringLiteral("Uploaded ") + archiveName + QStringLiteral(" to ") + m_site);
    if (!inside && addedPresent) {
        if (!sendAddedText())
            return false;
        displays.AddLog(QStringLiteral("Uploaded ") + m_addedTextName + QStringLiteral(" to ") + m_site);
    }
    return true;
}

bool FtpPosting::zip(const QString& archive, const QString& file)
{
    ZipArchive1.setZipFilename(archive);
    ZipArchive1.setFileSpecs({file});
    if (ZipArchive1.Add())
        return true;
    return fail(QStringLiteral("ERROR ZIPPING FILE -> ") + archive + QStringLiteral(": ") + ZipArchive1.LastMessage());
}

bool FtpPosting::copy(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to) && !QFile::remove(to))
        return fail(QStringLiteral("ERROR COPYING FILE -> ") + to + QStringLiteral(": the file there cannot be deleted"));
    QFile source(from);
    if (source.copy(to))
        return true;
    return fail(QStringLiteral("ERROR COPYING FILE -> ") + to + QStringLiteral(": ") + source.errorString());
}

bool FtpPosting::PrepareAddedTextFile(const FtpPlan& plan)
{
    SubmitDisplays& displays = m_context.displays;
    const QString files = filesDir();
    m_addedText.clear();
    m_addedTextName.clear();
    const QString temp = files + parseTempName();
    if (QFileInfo::exists(temp))
        QFile::remove(temp);

    // The plan has expanded the script and the name as this attempt would.
    m_addedText = plan.addedText.join(QStringLiteral("\r\n"));
    if (m_addedText.isEmpty())
        return plan.addedTextOk;
    if (!plan.addedTextOk) {
        // Nothing is written or sent for it (a name leaving the files directory
        // names nothing to write or delete); the program still goes.
        displays.AddFtpLog(QStringLiteral("Added text file not sent: ") + plan.addedTextProblem);
        return false;
    }
    const QString& name = plan.addedTextName;
    m_addedTextName = name;
    if (name.isEmpty())
        return true;

    const QString target = files + name;
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        QFile::remove(target);
    try {
        ListFile::save(temp, textLines(m_addedText));
    } catch (const ZentrelError& e) {
        displays.AddFtpLog(e.text());
        return false;
    }
    if (!QFile::rename(temp, target)) {
        displays.AddFtpLog(QStringLiteral("Cannot rename ") + temp + QStringLiteral(" to ") + target);
        return false;
    }
    return true;
}

bool FtpPosting::setMode(TTransferMode mode)
{
    try {
        m_holder->FTP1.setTransferMode(mode);
        return true;
    } catch (const ESocketError& e) {
        m_state.FtpErrorText = e.text();
        m_state.FtpFailed = true;
        m_context.displays.AddFtpLog(QStringLiteral("EXCEPTION: ") + e.text());
        m_context.displays.AddLog(m_site + QStringLiteral(" -> ") + QStringLiteral("FTP error: ") + e.text());
        return false;
    }
}

bool FtpPosting::UploadFile()
{
    m_state.FtpFailed = false;
    try {
        m_holder->upload();
    } catch (const std::exception& e) {
        m_state.FtpErrorText = QString::fromLocal8Bit(e.what());
        m_state.FtpFailed = true;
    }
    if (!m_state.FtpFailed)
        return true;
    m_context.displays.AddLog(m_site + QStringLiteral(" -> ") + QStringLiteral("FTP error: ") + m_state.FtpErrorText);
    m_state.FtpFailed = true;
    return false;
}

bool FtpPosting::send(const QString& localFile, const QString& remoteFile, TTransferMode mode)
{
    SubmitDisplays& displays = m_context.displays;
    m_holder->eLocalFile = localFile;
    m_holder->eRemoteFile = remoteFile;
    if (setMode(mode)) {
        displays.AddFtpLog(QStringLiteral("Sending File -> ") + remoteFile);
        if (UploadFile())
            return true;
    }
    displays.AddFtpLog(QStringLiteral("ERROR SENDING FILE -> ") + remoteFile);
    m_lastError = m_state.FtpErrorText;
    m_holder->logoff();
    return false;
}
