#include "ui/LogPrinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

int LogPrinter::print(QPrinter& printer, const QStringList& lines, const QFont& font)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    // The screen font's point size, at the printer's resolution.
    const QFont printed(font, &printer);
    painter.setFont(printed);
    const QFontMetrics metrics(printed, &printer);
    const int lineHeight = std::max(metrics.lineSpacing(), 1);
    const QRect page = painter.viewport();
    const int perPage = std::max(page.height() / lineHeight, 1);

    int pages = 1;
    int onPage = 0;
    for (const QString& line : lines) {
        if (onPage == perPage) {
            printer.newPage();
            ++pages;
            onPage = 0;
        }
        // A line too long for the page is cut at its edge, never wrapped, so
        // every entry stays one printed line.
        const QRect row(0, onPage * lineHeight, page.width(), lineHeight);
        painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        ++onPage;
    }
    painter.end();
    return pages;
}
