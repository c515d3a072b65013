#pragma once

#include <QStringList>

class QTableWidget;
class QTableWidgetItem;

// The cells of the PAD windows' tables: a value of any length takes one line,
// cut short with "…" where it does not fit, and the pointer shows it whole.
namespace PadTableCells {

// The longest tool tip; a longer value shows its beginning.
constexpr qsizetype MaxToolTip = 2000;

// A read-only cell showing `text` on one line.
QTableWidgetItem* item(const QString& text);
// A read-only table with these columns, one line per row, cut values ending in
// "…"; the first column holds PAD paths, which are cut at their beginning.
void setUp(QTableWidget* table, const QStringList& columns);

} // namespace PadTableCells
