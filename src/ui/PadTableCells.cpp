#include "ui/PadTableCells.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace PadTableCells {

namespace {

// What a cell draws: line breaks as "¶", and no more than a wide column shows,
// so a long licence text costs no time to lay out.
QString oneLine(const QString& text)
{
    constexpr qsizetype Shown = 300;
    QString line = text.left(Shown + 1);
    const QChar pilcrow(0xB6);
    line.replace(QStringLiteral("\r\n"), QString(pilcrow));
    line.replace(u'\r', pilcrow);
    line.replace(u'\n', pilcrow);
    line.replace(u'\t', u' ');
    if (line.size() > Shown)
        line = line.left(Shown) + QChar(0x2026);
    return line;
}

// A PAD path too long for its column keeps its end, the field's own name.
class PathDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideLeft;
    }
};

} // namespace

QTableWidgetItem* item(const QString& text)
{
    auto* cell = new QTableWidgetItem(oneLine(text));
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (!text.isEmpty())
        cell->setToolTip(text.size() > MaxToolTip ? text.left(MaxToolTip) + QChar(0x2026) : text);
    return cell;
}

void setUp(QTableWidget* table, const QStringList& columns)
{
    table->setColumnCount(int(columns.size()));
    table->setHorizontalHeaderLabels(columns);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setItemDelegateForColumn(0, new PathDelegate(table));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
}

} // namespace PadTableCells
