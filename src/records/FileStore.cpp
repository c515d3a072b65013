#include "records/FileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString& root()
{
    static QString directory;
    return directory;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', bytes % (1024 * 1024) ? 1 : 0);
}

// True when `path` is the directory itself or lies below it.
bool isInside(const QString& path, const QString& directory)
{
    if (directory.isEmpty())
        return false;
    const QString base = directory.endsWith(u'/') ? directory : directory + u'/';
    return path == directory || path.startsWith(base);
}

// Where a link finally leads, even when its last target does not exist yet.
QString finalTarget(const QString& link)
{
    QString path = QFileInfo(link).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        path = info.symLinkTarget();
    }
    const QFileInfo last(path);
    const QString dir = QFileInfo(last.absolutePath()).canonicalFilePath();
    return (dir.isEmpty() ? last.absolutePath() : dir) + u'/' + last.fileName();
}

} // namespace

FileTooLarge::FileTooLarge(const QString& fileName, qint64 limit)
    : ZentrelError(QStringLiteral("The file %1 is larger than %2 MB, far more than Zentrel reads; it was not "
                                  "loaded and is left as it is. Shorten it with a text editor to use it.")
                       .arg(fileName, megabytes(limit)))
{
}

namespace FileStore {

void setWorkspaceRoot(const QString& directory)
{
    root() = directory;
}

QString workspaceRoot()
{
    return root();
}

std::optional<QByteArray> readIfExists(const QString& fileName, qint64 limit)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return std::nullopt;
        throw ZentrelError(QStringLiteral("Cannot open file %1").arg(fileName));
    }
    if (limit >= 0 && file.size() > limit)
        throw FileTooLarge(fileName, limit);
    QByteArray bytes = file.readAll();
    // A file that grew while it was read is judged by what was read.
    if (limit >= 0 && bytes.size() > limit)
        throw FileTooLarge(fileName, limit);
    return bytes;
}

std::optional<QString> refusal(const QString& fileName)
{
    if (root().isEmpty() || !QFileInfo(fileName).isSymLink())
        return std::nullopt;
    const QString target = finalTarget(fileName);
    const QString canonicalRoot = QFileInfo(root()).canonicalFilePath();
    QString plainRoot = QDir::cleanPath(QFileInfo(root()).absoluteFilePath());
    if (isInside(target, canonicalRoot) || isInside(target, plainRoot))
        return std::nullopt;
    return QStringLiteral("Unable to write to %1: it is a link to %2, which lies outside the Zentrel folder %3, "
                          "and Zentrel writes nothing outside its folder.")
        .arg(fileName, target, canonicalRoot.isEmpty() ? plainRoot : canonicalRoot);
}

namespace {
bool g_readOnly = false;
}

void setReadOnly(bool on)
{
    g_readOnly = on;
}

bool readOnly()
{
    return g_readOnly;
}

void replace(const QString& fileName, const QByteArray& bytes, const QString& failureMessage, FileAccess access)
{
    if (g_readOnly)
        return;
    if (const auto reason = refusal(fileName))
        throw ZentrelError(*reason);
    QSaveFile file(fileName);
    // Unbuffered, so a write that falls short is seen before anything is committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw ZentrelError(failureMessage);
    // The new file takes the old one's rights; a password file must never keep wider ones.
    if (access == FileAccess::OwnerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw ZentrelError(failureMessage);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw ZentrelError(failureMessage);
}

} // namespace FileStore
