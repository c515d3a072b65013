#include "records/WorkspacePath.h"

#include "records/ZentrelError.h"

namespace WorkspacePath {

bool isSafeName(const QString& name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return !name.contains(u'/') && !name.contains(QChar(u'\0'));
}

QString unsafeNameMessage(const QString& name)
{
    QString shown = name;
    shown.replace(QChar(u'\0'), QStringLiteral("\\0"));
    if (name.isEmpty())
        return QStringLiteral("A name cannot be empty.");
    return QStringLiteral("The name \"%1\" cannot be used: a name may not contain \"/\" or a NUL "
                          "character, and may not be \".\" or \"..\".")
        .arg(shown);
}

QString file(const QString& directory, const QString& name, const QString& suffix)
{
    if (!isSafeName(name))
        throw ZentrelError(unsafeNameMessage(name));
    return directory + name + suffix;
}

} // namespace WorkspacePath
