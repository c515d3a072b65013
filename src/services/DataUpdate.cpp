#include "services/DataUpdate.h"

#include "net/ESocketError.h"
#include "net/TDownloadHTTP.h"
#include "net/TZipArchive.h"
#include "net/ZipEntries.h"
#include "records/Blanks.h"
#include "records/ProgramSettings.h"
#include "records/TGWide.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"
#include "services/ServiceAddresses.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

const QString SitesDat = QStringLiteral("Sites.dat");
const QString UserSitesDat = QStringLiteral("User_Sites.dat");

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// True when the folder and the file's folder lie on one file system, so a
// rename moves the file at once and whole.
bool sameDevice(const QString& folder, const QString& otherFolder)
{
    struct stat a {}, b {};
    return ::stat(QFile::encodeName(folder).constData(), &a) == 0
        && ::stat(QFile::encodeName(otherFolder).constData(), &b) == 0 && a.st_dev == b.st_dev;
}

QString reasonOf(const std::error_code& error)
{
    return QString::fromLocal8Bit(error.message());
}

bool isBytesWrittenLine(const QString& line)
{
    return line.endsWith(u" bytes written");
}

} // namespace

DataUpdate::Folders DataUpdate::Folders::of(const TGWide& workspace)
{
    return {workspace.UpdatesDir(), workspace.SitesDir(), workspace.CatDir()};
}

DataUpdate::DataUpdate(UserPrompts& prompts, const ProgramSettings& settings, Folders folders, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_settings(settings), m_folders(std::move(folders))
{
}

DataUpdate::~DataUpdate() = default;

quint16 DataUpdate::portNumber(const QString& text)
{
    const QString digits = trimBlanks(text);
    bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    const uint port = ok ? digits.toUInt(&ok) : 0;
    if (!ok || port > 65535)
        throw ZentrelError(QStringLiteral("The proxy port \"%1\" is not a port number: it must be a whole number from 0 "
                                          "to 65535. Please correct \"Proxy Port:\" in File, Settings.")
                               .arg(text));
    return quint16(port);
}

void DataUpdate::open()
{
    m_updated = false;
    m_cancelled = false;
    m_archiveFailed = false;
    m_track.clear();
    QString failed;
    if (!emptyUpdateFolder(&failed))
        throw ZentrelError(QStringLiteral("Cannot empty the update folder %1: %2 cannot be deleted.")
                               .arg(m_folders.updates, failed));
    m_url = m_settings.updateUrl;
    m_diskFile = m_folders.updates + ServiceAddresses::updateArchiveName();
    m_proxyPort = portNumber(m_settings.port);
    m_proxyServer = m_settings.hasProxy() ? m_settings.proxy : QString();
}

void DataUpdate::setStatus(const QString& status)
{
    m_status = status;
    emit statusChanged(status);
}

void DataUpdate::setBar(qint64 position, qint64 maximum)
{
    m_barMaximum = maximum;
    m_barPosition = std::min(position, maximum);
    emit progressChanged();
}

void DataUpdate::addTrack(const QString& line)
{
    m_track.append(line);
    emit trackChanged();
}

void DataUpdate::start()
{
    if (m_running)
        return;
    m_running = true;
    m_cancelled = false;
    m_archiveFailed = false;
    m_total = UnknownTotal;
    m_percent = 0;
    QString failure;
    {
        BusyCursor busy(m_prompts);
        setBar(0, m_total);
        m_client = std::make_unique<TDownloadHTTP>();
        bool downloaded = false;
        try {
            download(*m_client);
            downloaded = true;
        } catch (const ESocketError& e) {
            // The user who closed the window asked for the end; it needs no message.
            if (!m_cancelled)
                failure = e.text();
        }
        m_client.reset();
        if (downloaded && !m_cancelled) {
            setBar(0, m_barMaximum);
            setStatus(QStringLiteral("Unzipping Data Files..."));
            unpackAndInstall();
        }
        // Nothing of a failed update stays behind for the next one to find.
        if (!m_updated)
            emptyUpdateFolder();
    }
    m_running = false;
    if (!failure.isEmpty())
        m_prompts.error(failure);
    else if (m_updated)
        m_prompts.info(QStringLiteral("Data File Update Complete"));
}

void DataUpdate::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    if (m_client)
        m_client->Cancel();
}

void DataUpdate::download(TDownloadHTTP& client)
{
    client.setURL(m_url);
    client.setLocalFile(m_diskFile);
    client.setProxyServer(m_proxyServer);
    client.setProxyPort(m_proxyPort);
    client.setUserAgent(QStringLiteral("ZentrelWeb"));
    client.setTimeOut(m_settings.httpTimeOut);
    client.OnConnected = [this](TDownloadHTTP&, int, const QString& description) {
        addTrack(u"Connected: " + description);
    };
    client.OnDisconnected = [this](TDownloadHTTP&, int, const QString& description) {
        addTrack(u"Disconnected: " + description);
    };
    client.OnHeader = [this](TDownloadHTTP&, const QString& field, const QString& value) {
        addTrack(u"Header: " + field + u':' + value);
        if (field.toUpper() == u"CONTENT-LENGTH") {
            bool ok = false;
            const qint64 length = trimBlanks(value).toLongLong(&ok);
            // A length that is no number leaves the total as it was.
            if (ok && length >= 0)
                m_total = length;
        }
        setBar(m_barPosition, m_total);
    };
    client.OnTransfer = [this](TDownloadHTTP&, qint64 bytes, const QByteArray&) { transferred(bytes); };

    setStatus(QStringLiteral("Connecting to Halvern HQ Server"));
    client.setAction(httpGet);
}

void DataUpdate::transferred(qint64 bytes)
{
    // One line counts the body; every header line above it stays.
    const QString line = QString::number(bytes) + u" bytes written";
    if (!m_track.isEmpty() && isBytesWrittenLine(m_track.last()))
        m_track.last() = line;
    else
        m_track.append(line);
    emit trackChanged();
    m_barPosition = std::min(bytes, m_barMaximum);
    m_percent = m_total > 0 ? int(std::clamp<qint64>(bytes * 100 / m_total, 0, 100)) : 0;
    setStatus(u"Received " + QString::number(bytes / 1024) + u"K of " + QString::number(m_total / 1024) + u'K');
    emit progressChanged();
}

bool DataUpdate::unpackAndInstall()
{
    if (!QFileInfo(m_diskFile).isFile())
        return false;
    const std::optional<QStringList> names = readZipEntries(m_diskFile);
    QStringList entries = names.value_or(QStringList());
    if (names && !checkEntries(entries))
        return false;
    // One step a file and one for every 32 KiB of it, roughly.
    setBar(0, std::max<qint64>(1, QFileInfo(m_diskFile).size() / TZipArchive::ProgressStep + entries.size()));
    if (!extract())
        return false;
    // The unpacked bytes reach the disk before any of them takes an old file's
    // place, so a power cut during the swap cannot leave a renamed empty file.
    if (const int folder = ::open(QFile::encodeName(m_folders.updates).constData(), O_RDONLY | O_DIRECTORY);
        folder >= 0) {
        ::syncfs(folder);
        ::close(folder);
    }
    if (!names) {
        archiveError(QStringLiteral("Cannot read archive %1").arg(m_diskFile));
        return false;
    }
    if (!install(entries))
        return false;

    setStatus(QStringLiteral("Cleaning UpDate Directory..."));
    emptyUpdateFolder();
    setStatus(QStringLiteral("Deleting Archive..."));
    setStatus(QStringLiteral("Data Update Complete"));
    m_updated = true;
    return true;
}

bool DataUpdate::checkEntries(QStringList& entries)
{
    // Only the plain files of the archive's top level are data files; each
    // becomes a file of the sites or category folder under its own name.
    // Files in folders are unpacked (inside the update folder) and left there.
    QStringList installed;
    int catalogues = 0;
    for (const QString& name : entries) {
        const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
        const bool plain = std::all_of(parts.cbegin(), parts.cend(), [](const QString& part) {
            return WorkspacePath::isSafeName(part);
        });
        // The install's own scratch files go by this prefix; an entry must not take their place.
        if (parts.isEmpty() || !plain || name.startsWith(u'/') || name.contains(u'\\')
            || name.startsWith(u".~zentrel-")) {
            archiveError(QStringLiteral("Cannot unpack %1: the entry \"%2\" is not a plain file name; nothing was "
                                        "installed")
                             .arg(m_diskFile, name));
            return false;
        }
        if (parts.size() > 1 || name.endsWith(u'/'))
            continue;
        if (name.compare(SitesDat, Qt::CaseInsensitive) == 0)
            ++catalogues;
        installed << name;
    }
    // Any letter case of the catalogue's name is the catalogue; two of them leave it unclear which one is meant.
    if (catalogues > 1) {
        archiveError(QStringLiteral("Cannot unpack %1: it holds %2 more than once; nothing was installed")
                         .arg(m_diskFile, SitesDat));
        return false;
    }
    installed.removeDuplicates();
    entries = installed;
    return true;
}

bool DataUpdate::extract()
{
    TZipArchive zip;
    zip.setZipFilename(m_diskFile);
    zip.setExtractDir(m_folders.updates);
    zip.setExtractOptions(ExtractOverwrite);
    bool advanced = false;
    zip.OnProgress = [&](TZipArchive&, TZipProgressType type, const QString&, qint64) {
        if (type == zpStartFile)
            advanced = false;
        // At least one step for every file, however small.
        if (type == zpAdvance || (type == zpEndFile && !advanced)) {
            advanced = true;
            setBar(m_barPosition + 1, m_barMaximum);
        }
    };
    zip.OnMessage = [this](TZipArchive&, int code, const QString& message) {
        setStatus(message);
        setBar(m_barPosition + 1, m_barMaximum);
        if (code > 0)
            archiveError(message);
    };
    zip.OnRefusal = [this](TZipArchive&, const QString& text) { archiveError(text); };
    const bool whole = zip.Extract();
    if (!whole && !m_archiveFailed)
        archiveError(zip.LastMessage());
    return whole && !m_archiveFailed;
}

void DataUpdate::archiveError(const QString& message)
{
    // The first fault stops the update; anything said after it adds nothing.
    if (m_archiveFailed)
        return;
    m_archiveFailed = true;
    m_prompts.error(u"Error Msg from archive: " + message);
}

// One file of the update on its way to its place.
struct DataUpdate::Install {
    QString source; // in the update folder
    QString target; // in the sites or category folder
    QString staged; // beside the target, holding the new bytes
    QString backup; // beside the target, holding the earlier bytes
    QString status;
    bool isStaged = false;
    bool backedUp = false;
    bool swapped = false;
};

bool DataUpdate::install(const QStringList& entries)
{
    setStatus(QStringLiteral("Copy Data Files..."));
    std::vector<Install> files;
    const auto add = [&](const QString& name, const QString& folder, const QString& targetName, const QString& status) {
        const QString index = QString::number(files.size());
        files.push_back(Install{m_folders.updates + name, folder + targetName, folder + u".~zentrel-update-" + index,
                                folder + u".~zentrel-backup-" + index, status});
    };
    for (const QString& name : entries) {
        if (name.compare(SitesDat, Qt::CaseInsensitive) == 0)
            add(name, m_folders.sites, SitesDat, QStringLiteral("Copying Sites.Dat..."));
    }
    const auto plain = [](const QString& name) {
        // The user's own sites are never replaced by the maker's.
        return name.compare(SitesDat, Qt::CaseInsensitive) != 0 && name.compare(UserSitesDat, Qt::CaseInsensitive) != 0
            && !name.contains(u"zlsites.zip");
    };
    for (const QString& name : entries) {
        if (plain(name) && !name.contains(u".cat"))
            add(name, m_folders.sites, name, u"Copying " + name);
    }
    for (const QString& name : entries) {
        if (plain(name) && name.contains(u".cat"))
            add(name, m_folders.cat, name, u"Copying " + name);
    }

    namespace fs = std::filesystem;
    // Every new file is first put beside the one it replaces, so the swap
    // that follows only renames within one folder.
    QString failure;
    // A rename within one file system cannot fail half-way: files go straight in below.
    const bool sitesDirect = sameDevice(m_folders.updates, m_folders.sites);
    const bool catDirect = sameDevice(m_folders.updates, m_folders.cat);
    for (Install& file : files) {
        setStatus(file.status);
        std::error_code error;
        if (file.target.startsWith(m_folders.cat) ? catDirect : sitesDirect) {
            file.staged = file.source;
            file.isStaged = true;
            continue;
        }
        fs::rename(fsPath(file.source), fsPath(file.staged), error);
        if (error) {
            // The update folder may lie on another file system.
            error.clear();
            fs::copy_file(fsPath(file.source), fsPath(file.staged), fs::copy_options::overwrite_existing, error);
        }
        if (error) {
            failure = QStringLiteral("Cannot create file %1: %2").arg(file.staged, reasonOf(error));
            break;
        }
        file.isStaged = true;
    }

    // Then all are swapped in, each keeping the file it replaces until every one is in.
    if (failure.isEmpty()) {
        for (Install& file : files) {
            // A target that cannot be linked to is missing, a folder, or on a file system without hard links.
            std::error_code error;
            fs::create_hard_link(fsPath(file.target), fsPath(file.backup), error);
            if (error == std::errc::file_exists) {
                error.clear();
                fs::remove(fsPath(file.backup), error);
                fs::create_hard_link(fsPath(file.target), fsPath(file.backup), error);
            }
            if (error) {
                std::error_code statusError;
                const fs::file_status target = fs::symlink_status(fsPath(file.target), statusError);
                if (fs::is_directory(target)) {
                    failure = QStringLiteral("Cannot replace %1: it is a folder").arg(file.target);
                    break;
                }
                if (fs::exists(target)) {
                    error.clear();
                    fs::copy_file(fsPath(file.target), fsPath(file.backup), fs::copy_options::overwrite_existing, error);
                    if (error) {
                        failure = QStringLiteral("Cannot keep a copy of %1: %2").arg(file.target, reasonOf(error));
                        break;
                    }
                }
            }
            file.backedUp = !error;
            error.clear();
            fs::rename(fsPath(file.staged), fsPath(file.target), error);
            if (error) {
                failure = QStringLiteral("Cannot replace %1: %2").arg(file.target, reasonOf(error));
                break;
            }
            file.swapped = true;
        }
    }

    if (!failure.isEmpty()) {
        // Every file swapped in goes back to what it was.
        for (auto file = files.rbegin(); file != files.rend(); ++file) {
            if (!file->swapped)
                continue;
            std::error_code error;
            if (file->backedUp) {
                fs::rename(fsPath(file->backup), fsPath(file->target), error);
                file->backedUp = static_cast<bool>(error); // a backup put back is gone
            } else {
                fs::remove(fsPath(file->target), error);
            }
            if (error)
                failure += QStringLiteral("; %1 could not be put back: %2").arg(file->target, reasonOf(error));
        }
    }
    for (const Install& file : files) {
        std::error_code error;
        if (file.isStaged && !file.swapped)
            fs::remove(fsPath(file.staged), error);
        if (file.backedUp)
            fs::remove(fsPath(file.backup), error);
    }
    if (!failure.isEmpty()) {
        m_prompts.error(failure + QStringLiteral(". The data files were left as they were."));
        return false;
    }
    return true;
}

bool DataUpdate::emptyUpdateFolder(QString* failed) const
{
    const QString folder = m_folders.updates;
    if (!QFileInfo(folder).isDir()) {
        if (QDir().mkpath(folder))
            return true;
        if (failed)
            *failed = folder;
        return false;
    }
    bool empty = true;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        // A link goes, never what it leads to.
        const bool removed = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                 : QFile::remove(entry.filePath());
        if (!removed) {
            if (failed && empty)
                *failed = entry.filePath();
            empty = false;
        }
    }
    return empty;
}
