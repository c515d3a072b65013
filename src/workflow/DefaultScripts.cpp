#include "workflow/DefaultScripts.h"

#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/ZentrelError.h"

namespace DefaultScripts {

QString fileName(SiteScript script)
{
    switch (script) {
    case SiteScript::FtpNew: return QStringLiteral("FTP_DEF_SCRIPT.SCP");
    case SiteScript::EmailNew: return QStringLiteral("EMAIL_DEF_SCRIPT_NEW.SCP");
    case SiteScript::EmailUpdate: return QStringLiteral("EMAIL_DEF_SCRIPT_UPDATE.SCP");
    case SiteScript::HttpNew:
    case SiteScript::HttpUpdate: break;
    }
    return {};
}

QString heading(SiteScript script)
{
    switch (script) {
    case SiteScript::FtpNew: return QStringLiteral("Default FTP Script");
    case SiteScript::EmailNew: return QStringLiteral("Default NEW EMAIL Script");
    case SiteScript::EmailUpdate: return QStringLiteral("Default UPDATE EMAIL Script");
    case SiteScript::HttpNew:
    case SiteScript::HttpUpdate: break;
    }
    return {};
}

std::optional<QStringList> load(const QString& dataDir, SiteScript script)
{
    const QString name = fileName(script);
    if (name.isEmpty())
        return std::nullopt;
    return ListFile::loadIfExists(dataDir + name, FileLimits::CategoryList);
}

void save(const QString& dataDir, SiteScript script, const QStringList& lines)
{
    const QString name = fileName(script);
    if (name.isEmpty())
        return;
    // The editor showed the file only up to a NUL byte: saving would cut off the rest.
    const auto bytes = FileStore::readIfExists(dataDir + name);
    if (bytes && bytes->contains('\0'))
        throw ZentrelError(QStringLiteral("The file %1 holds a NUL byte, so only its text before that byte was "
                                          "shown; it is left as it is. Edit it with a text editor.")
                               .arg(dataDir + name));
    ListFile::save(dataDir + name, lines);
}

} // namespace DefaultScripts
