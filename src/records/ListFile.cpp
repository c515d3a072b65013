#include "records/ListFile.h"

#include "records/FileStore.h"
#include "records/ZentrelError.h"

namespace ListFile {

QStringList parse(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    const char* data = bytes.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.append(QString::fromLatin1(data + start, i - start));
            if (c == '\r' && i + 1 < end && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < end)
        lines.append(QString::fromLatin1(data + start, end - start));
    return lines;
}

QByteArray serialize(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<QStringList> loadIfExists(const QString& fileName, qint64 limit)
{
    if (auto bytes = FileStore::readIfExists(fileName, limit))
        return parse(*bytes);
    return std::nullopt;
}

QStringList load(const QString& fileName, qint64 limit)
{
    if (auto lines = loadIfExists(fileName, limit))
        return std::move(*lines);
    throw ZentrelError(QStringLiteral("Cannot open file %1").arg(fileName));
}

void save(const QString& fileName, const QStringList& lines)
{
    FileStore::replace(fileName, serialize(lines), QStringLiteral("Cannot create file %1").arg(fileName));
}

} // namespace ListFile
