#include "engines/CategoryLine.h"

namespace {
const QString Separator = QStringLiteral("\">");
}

namespace CategoryLine {

QString value(const QString& line)
{
    const qsizetype at = line.indexOf(Separator);
    return at >= 1 ? line.left(at) : line;
}

QString label(const QString& line)
{
    const qsizetype at = line.indexOf(Separator);
    if (at < 0 || at + Separator.size() >= line.size())
        return line;
    return line.mid(at + Separator.size());
}

} // namespace CategoryLine
