#include "pad/PadDetails.h"

#include "pad/PadDocument.h"
#include "pad/PadRules.h"
#include "records/FileStore.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"

namespace PadDetails {

QString fileFor(const QString& dataDirectory, const QString& appName)
{
    QString directory = dataDirectory;
    if (!directory.endsWith(u'/'))
        directory += u'/';
    return WorkspacePath::file(directory, appName, QStringLiteral(".pad.xml"));
}

PadValues load(const QString& dataDirectory, const QString& appName)
{
    const QString file = fileFor(dataDirectory, appName);
    std::optional<QByteArray> bytes;
    try {
        bytes = FileStore::readIfExists(file, PadDocument::MaxBytes);
    } catch (const FileTooLarge&) {
        throw ZentrelError(u"The PAD details " + file + u" are larger than 1 MB and were not read.");
    }
    if (!bytes)
        return PadValues();
    PadReadResult read = PadDocument::read(*bytes);
    if (!read.error.isEmpty())
        throw ZentrelError(u"The PAD details " + file + u" cannot be read. " + read.error);
    return read.values;
}

void save(const QString& dataDirectory, const QString& appName, const PadValues& details)
{
    const QString file = fileFor(dataDirectory, appName);
    FileStore::replace(file, PadDocument::write(details, PadRules::order(PadVersion::V4_0)),
                       u"Unable to write to " + file);
}

} // namespace PadDetails
