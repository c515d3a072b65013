#pragma once

#include "engines/SiteDefinition.h"

#include <QString>
#include <QStringList>

#include <optional>

// The default scripts in the data directory: the texts a new site's FTP and
// e-mail scripts start from. The HTTP scripts have none.
namespace DefaultScripts {

// "FTP_DEF_SCRIPT.SCP", "EMAIL_DEF_SCRIPT_NEW.SCP" or "EMAIL_DEF_SCRIPT_UPDATE.SCP";
// empty for an HTTP script.
QString fileName(SiteScript script);
// What the default script editor says it edits: "Default FTP Script",
// "Default NEW EMAIL Script" or "Default UPDATE EMAIL Script".
QString heading(SiteScript script);

// The file's lines, or nothing when it does not exist. Throws ZentrelError when
// it exists but cannot be read, FileTooLarge past the size of a script.
std::optional<QStringList> load(const QString& dataDir, SiteScript script);
// Replaces the file, creating it when needed. Throws ZentrelError("Cannot create file ...").
void save(const QString& dataDir, SiteScript script, const QStringList& lines);

} // namespace DefaultScripts
