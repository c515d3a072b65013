#pragma once

#include <QStringList>

class QFont;
class QPrinter;

// Prints lines of text in order, one printed line per entry, in the given
// font, on as many pages as they need.
class LogPrinter {
public:
    // Returns the number of pages printed; 0 when the printer could not start.
    static int print(QPrinter& printer, const QStringList& lines, const QFont& font);
};
