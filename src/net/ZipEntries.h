#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The entry names of a zip archive, in the archive's order; nothing when the
// file is missing or is no zip archive that can be read.
std::optional<QStringList> readZipEntries(const QString& path);

// The same, with an empty list for a file that is no readable zip.
QStringList zipEntryNames(const QString& path);
