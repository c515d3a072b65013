#include "net/ZipEntries.h"

#include <QFile>

#include <zip.h>

std::optional<QStringList> readZipEntries(const QString& path)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return std::nullopt;
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        // Names come back as UTF-8 whatever the archive stored them in.
        if (const char* name = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS))
            names.append(QString::fromUtf8(name));
    }
    zip_discard(archive);
    return names;
}

QStringList zipEntryNames(const QString& path)
{
    return readZipEntries(path).value_or(QStringList());
}
