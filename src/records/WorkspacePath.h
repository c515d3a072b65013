#pragma once

#include <QString>

// Every file inside the workspace is named through here, so no record name can
// reach outside the directory it belongs to.
namespace WorkspacePath {

// True when the name can stand as (the start of) a file name inside a directory:
// not empty, not "." or "..", free of "/", NUL and line breaks, and storable
// in the 8-bit list files.
bool isSafeName(const QString& name);

// The message shown when a typed name is refused.
QString unsafeNameMessage(const QString& name);

// directory (ending with "/") + name + suffix. Throws ZentrelError for an unsafe name.
QString file(const QString& directory, const QString& name, const QString& suffix);

} // namespace WorkspacePath
