#pragma once

#include <QString>

#include <optional>

// Every file inside the workspace is named through here, so no record name can
// reach outside the directory it belongs to.
namespace WorkspacePath {

// The longest name, in bytes of the file system's encoding: a file name may take
// 255 bytes, and the longest suffix a name gets is 16 (" HTTP_UPDATE.scp",
// " _HTTP_reply.htm").
constexpr int MaxNameBytes = 255 - 16;

// True when the name can stand as (the start of) a file name inside a directory:
// not empty, not "." or "..", free of "/", NUL and line breaks, storable in the
// 8-bit list files, and short enough for every file named after it.
bool isSafeName(const QString& name);

// The message shown when a typed name is refused.
QString unsafeNameMessage(const QString& name);

// directory (ending with "/") + name + suffix. Throws ZentrelError for an unsafe name.
QString file(const QString& directory, const QString& name, const QString& suffix);

} // namespace WorkspacePath
