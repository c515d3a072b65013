#include "records/WorkspacePath.h"

#include "records/ZentrelError.h"

namespace WorkspacePath {

namespace {

qsizetype utf8Size(const QString& name)
{
    qsizetype bytes = 0;
    for (QChar c : name)
        bytes += c.unicode() < 0x80 ? 1 : 2; // every character here is at most 0xFF
    return bytes;
}

// Why the name cannot be used, or nothing when it can.
std::optional<QString> problem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("A name cannot be empty.");
    bool unsafe = name == u"." || name == u"..";
    // Names are stored in 8-bit list files, one per line.
    for (QChar c : name)
        if (c == u'/' || c == u'\0' || c == u'\r' || c == u'\n' || c.unicode() > 0xFF)
            unsafe = true;
    const auto shown = [&] { return QString(name).replace(QChar(u'\0'), QStringLiteral("\\0")); };
    if (unsafe)
        return QStringLiteral("The name \"%1\" cannot be used: a name may not contain \"/\", a line break, "
                              "a NUL or a character outside the Western European set, and may not be "
                              "\".\" or \"..\".")
            .arg(shown());
    if (utf8Size(name) > MaxNameBytes)
        return QStringLiteral("The name \"%1\" is too long: Zentrel names its files after it, and a name may "
                              "take at most %2 bytes (%2 plain letters or digits; an accented letter takes two).")
            .arg(shown(), QString::number(MaxNameBytes)); // one pass: a "%2" in the name stays
    return std::nullopt;
}

} // namespace

bool isSafeName(const QString& name)
{
    return !problem(name);
}

QString unsafeNameMessage(const QString& name)
{
    return problem(name).value_or(QString());
}

QString file(const QString& directory, const QString& name, const QString& suffix)
{
    if (!isSafeName(name))
        throw ZentrelError(unsafeNameMessage(name));
    return directory + name + suffix;
}

} // namespace WorkspacePath
