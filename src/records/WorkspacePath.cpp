#include "records/WorkspacePath.h"

#include "records/ZentrelError.h"

namespace WorkspacePath {

bool isSafeName(const QString& name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    // Names are stored in 8-bit list files, one per line.
    for (QChar c : name)
        if (c == u'/' || c == u'\0' || c == u'\r' || c == u'\n' || c.unicode() > 0xFF)
            return false;
    return true;
}

QString unsafeNameMessage(const QString& name)
{
    QString shown = name;
    shown.replace(QChar(u'\0'), QStringLiteral("\\0"));
    if (name.isEmpty())
        return QStringLiteral("A name cannot be empty.");
    return QStringLiteral("The name \"%1\" cannot be used: a name may not contain \"/\", a line break, "
                          "a NUL or a character outside the Western European set, and may not be "
                          "\".\" or \"..\".")
        .arg(shown);
}

QString file(const QString& directory, const QString& name, const QString& suffix)
{
    if (!isSafeName(name))
        throw ZentrelError(unsafeNameMessage(name));
    return directory + name + suffix;
}

} // namespace WorkspacePath
