#include "ui/TPadImportFrm.h"

#include "ui/PadTableCells.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using Kind = PadImportRow::Kind;

// The legend's order: what needs a look first.
const Kind LegendOrder[] = {Kind::Loss, Kind::Guess, Kind::Set, Kind::Detail, Kind::Unchanged, Kind::Dropped};

QString kindHint(Kind kind)
{
    switch (kind) {
    case Kind::Unchanged:
        return QStringLiteral("The record already holds this value and keeps it");
    case Kind::Set:
        return QStringLiteral("The record field takes the value of the PAD file");
    case Kind::Guess:
        return QStringLiteral("The value the record takes is a guess from what the PAD file says; check it after "
                              "the import");
    case Kind::Loss:
        return QStringLiteral("Part of the value, or all of it, does not reach the records");
    case Kind::Detail:
        return QStringLiteral("The records have no field for it; it is kept with the application's PAD details "
                              "and written again by \"Export PAD File...\"");
    case Kind::Dropped:
        return QStringLiteral("The value is not kept at all");
    }
    return {};
}

} // namespace

QString TPadImportFrm::kindText(Kind kind)
{
    switch (kind) {
    case Kind::Unchanged:
        return QStringLiteral("unchanged");
    case Kind::Set:
        return QStringLiteral("set");
    case Kind::Guess:
        return QStringLiteral("a guess");
    case Kind::Loss:
        return QStringLiteral("a loss");
    case Kind::Detail:
        return QStringLiteral("kept as PAD detail");
    case Kind::Dropped:
        return QStringLiteral("dropped");
    }
    return {};
}

QColor TPadImportFrm::kindColour(Kind kind)
{
    switch (kind) {
    case Kind::Unchanged:
        return QColor(0xf2, 0xf2, 0xf2);
    case Kind::Set:
        return QColor(0xdf, 0xf0, 0xd8);
    case Kind::Guess:
        return QColor(0xff, 0xf0, 0xb8);
    case Kind::Loss:
        return QColor(0xf6, 0xcf, 0xcf);
    case Kind::Detail:
        return QColor(0xd9, 0xe7, 0xfa);
    case Kind::Dropped:
        return QColor(0xd8, 0xd8, 0xd8);
    }
    return {};
}

TPadImportFrm::TPadImportFrm(const QString& source, const QList<PadImportRow>& rows, QWidget* parent)
    : QDialog(parent), m_rows(rows)
{
    setObjectName(QStringLiteral("PadImportFrm"));
    setWindowTitle(QStringLiteral("Import PAD File"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_source = new QLineEdit(source, this);
    m_source->setObjectName(QStringLiteral("SourceEdit"));
    m_source->setReadOnly(true);
    m_source->setToolTip(QStringLiteral("The PAD file being imported"));
    m_source->setCursorPosition(0);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("ImportGrid"));
    PadTableCells::setUp(m_table, {QStringLiteral("PAD field"), QStringLiteral("Value"), QStringLiteral("Goes to"),
                                   QStringLiteral("Result"), QStringLiteral("Note")});
    m_table->setRowCount(int(rows.size()));
    int counts[6] = {};
    for (int r = 0; r < rows.size(); ++r) {
        const PadImportRow& row = rows[r];
        ++counts[int(row.kind)];
        const QString texts[] = {row.field, row.value, row.target, row.result, row.note};
        for (int c = 0; c < 5; ++c) {
            QTableWidgetItem* cell = PadTableCells::item(texts[c]);
            // Coloured rows bring their own dark text, whatever the desktop's colours.
            cell->setBackground(kindColour(row.kind));
            cell->setForeground(row.kind == Kind::Unchanged || row.kind == Kind::Dropped ? QColor(0x55, 0x55, 0x55)
                                                                                          : QColor(Qt::black));
            cell->setData(Qt::UserRole, int(row.kind));
            m_table->setItem(r, c, cell);
        }
    }
    m_table->setColumnWidth(0, 250);
    m_table->setColumnWidth(1, 200);
    m_table->setColumnWidth(2, 150);
    m_table->setColumnWidth(3, 150);
    m_table->setToolTip(QStringLiteral("One line per field of the PAD file: its value, the record field it goes "
                                       "to and what that field shows after the import"));

    m_detail = new QPlainTextEdit(this);
    m_detail->setObjectName(QStringLiteral("DetailMemo"));
    m_detail->setReadOnly(true);
    m_detail->setToolTip(QStringLiteral("The whole value of the line selected, and its note"));
    connect(m_table, &QTableWidget::currentCellChanged, this, &TPadImportFrm::showDetail);
    if (!rows.isEmpty())
        m_table->setCurrentCell(0, 0);

    // The legend: each kind's colour, its words and how many lines it has.
    auto* legend = new QHBoxLayout;
    legend->setSpacing(4);
    for (Kind kind : LegendOrder) {
        auto* swatch = new QLabel(this);
        swatch->setFixedSize(14, 14);
        swatch->setAutoFillBackground(true);
        swatch->setFrameShape(QFrame::Box);
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, kindColour(kind));
        swatch->setPalette(palette);
        auto* text = new QLabel(kindText(kind) + QStringLiteral(" (") + QString::number(counts[int(kind)])
                                    + u')',
                                this);
        text->setObjectName(QStringLiteral("Legend_") + QString::number(int(kind)));
        swatch->setToolTip(kindHint(kind));
        text->setToolTip(kindHint(kind));
        legend->addWidget(swatch);
        legend->addWidget(text);
        legend->addSpacing(12);
    }
    legend->addStretch(1);

    m_import = new QPushButton(QStringLiteral("Import"), this);
    m_import->setObjectName(QStringLiteral("ImportBtn"));
    m_import->setDefault(true);
    m_import->setToolTip(QStringLiteral("Import the PAD file into the company and application records"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_cancel->setAutoDefault(false);
    m_cancel->setToolTip(QStringLiteral("Import nothing"));
    connect(m_import, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* from = new QHBoxLayout;
    // A fetched file is named by its address.
    const bool fetched = source.startsWith(u"http://", Qt::CaseInsensitive)
        || source.startsWith(u"https://", Qt::CaseInsensitive);
    from->addWidget(new QLabel(fetched ? QStringLiteral("Address:") : QStringLiteral("File:"), this));
    from->addWidget(m_source, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_detail);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_import);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(from);
    layout->addWidget(new QLabel(QStringLiteral("What each field of the PAD file becomes in the records:"), this));
    layout->addWidget(split, 1);
    layout->addLayout(legend);
    layout->addLayout(buttons);
    resize(980, 600);
    m_import->setFocus();
}

void TPadImportFrm::showDetail()
{
    const int r = m_table->currentRow();
    if (r < 0 || r >= m_rows.size()) {
        m_detail->clear();
        return;
    }
    const PadImportRow& row = m_rows[r];
    QString text = row.field + QStringLiteral(" (") + kindText(row.kind) + QStringLiteral(")\n") + row.value;
    if (!row.note.isEmpty())
        text += QStringLiteral("\n\n") + row.note;
    m_detail->setPlainText(text);
}
