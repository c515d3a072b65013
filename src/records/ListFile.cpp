#include "records/ListFile.h"

#include "records/ZentrelError.h"

#include <QFile>
#include <QSaveFile>

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

std::optional<QStringList> loadIfExists(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return std::nullopt;
        throw ZentrelError(QStringLiteral("Cannot open file %1").arg(fileName));
    }
    return parse(file.readAll());
}

QStringList load(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZentrelError(QStringLiteral("Cannot open file %1").arg(fileName));
    return parse(file.readAll());
}

void save(const QString& fileName, const QStringList& lines)
{
    const QString message = QStringLiteral("Cannot create file %1").arg(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw ZentrelError(message);
    const QByteArray bytes = serialize(lines);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw ZentrelError(message);
}

} // namespace ListFile
