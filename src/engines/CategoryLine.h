#pragma once

#include <QString>

// A category line: the value a site is sent, the two characters `">`, and the
// label the user picks from.
namespace CategoryLine {

// The text before the first separator when the separator starts at the second
// character or later; otherwise the whole line.
QString value(const QString& line);
// The text after the first separator when at least one character follows it;
// otherwise the whole line.
QString label(const QString& line);

} // namespace CategoryLine
