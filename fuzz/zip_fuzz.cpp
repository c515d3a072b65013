#include "FuzzInput.h"

#include "net/TZipArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

bool liesUnder(const QString& path, const QString& folder)
{
    return path.startsWith(folder + u'/');
}

} // namespace

// The archive lies in a folder with a file of ours, four levels above the
// target folder, so that an entry climbing out of the target lands where it is
// seen: after the extraction every file found lies in the target folder, and
// the archive and our file are as they were.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    FUZZ_CHECK(root.isValid());
    const QString base = QFileInfo(root.path()).canonicalFilePath();
    const QString archive = base + QStringLiteral("/archive.zip");
    const QString ours = base + QStringLiteral("/ours.txt");
    const QString target = base + QStringLiteral("/1/2/3/target");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray oursBefore("a file the archive must leave alone\n");
    writeFile(archive, bytes);
    writeFile(ours, oursBefore);
    QDir(target).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(target));

    TZipArchive zip;
    zip.setZipFilename(archive);
    zip.setExtractDir(target);
    zip.setExtractOptions(ExtractOverwrite);
    zip.Extract();

    FUZZ_CHECK(contents(archive) == bytes);
    FUZZ_CHECK(contents(ours) == oursBefore);
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString found = it.next();
        if (found == archive || found == ours || liesUnder(target, found) || found == target)
            continue;
        if (!liesUnder(found, target)) {
            fprintf(stderr, "written outside the target folder: %s\n", qPrintable(found));
            abort();
        }
        const QFileInfo info(found);
        if (info.isSymLink() && !liesUnder(QFileInfo(info.symLinkTarget()).absoluteFilePath(), target)) {
            fprintf(stderr, "link out of the target folder: %s\n", qPrintable(found));
            abort();
        }
    }
    return 0;
}
