#pragma once

#include <QString>
#include <QStringList>

// The lines of a text: CR LF, CR or LF ends a line, and a break at the very
// end adds no empty line.
QStringList textLines(const QString& text);
