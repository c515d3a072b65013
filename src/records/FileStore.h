#pragma once

#include "records/ZentrelError.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The largest files the program reads whole. Files beyond these are far past
// any real use; they are left on disk untouched and reported instead.
namespace FileLimits {
constexpr qint64 CategoryList = 1024 * 1024;  // a site's category list or script
constexpr qint64 LongText = 1024 * 1024;      // a long description or notes
constexpr qint64 Profile = 4 * 1024 * 1024;   // any "[SECTION]" / "KEY=value" file
} // namespace FileLimits

// A file that is larger than the program reads.
class FileTooLarge : public ZentrelError {
public:
    FileTooLarge(const QString& fileName, qint64 limit);
};

// Who may read a file the program writes.
enum class FileAccess {
    Usual,     // as the system makes new files; a replaced file keeps its rights
    OwnerOnly  // read and written by its owner alone (a file holding a password)
};

// Reading and replacing the workspace's files.
namespace FileStore {

// The folder every write stays inside. A link leading out of it is never
// written through. Empty: no folder is guarded (a file used outside a workspace).
void setWorkspaceRoot(const QString& directory);
QString workspaceRoot();

// While on, nothing is written: every replace() leaves its file as it is and
// the workspace start-up creates no folder. A preview (a dry run, a listing)
// can then load the records exactly as a run would and change nothing.
void setReadOnly(bool on);
bool readOnly();

// The file's bytes, or nothing when it does not exist. Throws FileTooLarge past
// `limit` bytes (a negative limit reads any size) and ZentrelError("Cannot open
// file <name>") when it exists but cannot be read.
std::optional<QByteArray> readIfExists(const QString& fileName, qint64 limit = -1);

// Replaces the file whole, or leaves it as it was. A failure throws
// ZentrelError(failureMessage); a link that leads outside the workspace throws
// "Unable to write to <name>" with the reason. OwnerOnly narrows the new file
// before anything is written into it, so no other user ever sees its bytes.
void replace(const QString& fileName, const QByteArray& bytes, const QString& failureMessage,
             FileAccess access = FileAccess::Usual);

// The reason a write to the file is refused, or nothing when it may be written.
std::optional<QString> refusal(const QString& fileName);

} // namespace FileStore
