#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// A plain text file of lines. Lines end at CR, LF or CR LF on reading and are
// written with CR LF, the last one included; reading stops at a NUL byte.
namespace ListFile {

QStringList parse(const QByteArray& bytes);
QByteArray serialize(const QStringList& lines);

// Throws ZentrelError("Cannot open file <name>") when the file cannot be opened,
// FileTooLarge when it holds more than `limit` bytes (negative: any size).
QStringList load(const QString& fileName, qint64 limit = -1);
// The lines, or nothing when the file does not exist. Throws like load() when
// the file exists but cannot be read.
std::optional<QStringList> loadIfExists(const QString& fileName, qint64 limit = -1);
// Replaces the file whole; throws ZentrelError("Cannot create file <name>"), or
// "Unable to write to <name>" for a link that leads out of the workspace.
void save(const QString& fileName, const QStringList& lines);

} // namespace ListFile
