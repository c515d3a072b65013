#include "ui/TPadCheckFrm.h"

#include "ui/PadTableCells.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QString TPadCheckFrm::summary(qsizetype failures, PadVersion version)
{
    const QString pad = QStringLiteral("PAD ") + PadRules::versionText(version);
    if (failures == 1)
        return QStringLiteral("1 field fails the rules of ") + pad + u'.';
    return QString::number(failures) + QStringLiteral(" fields fail the rules of ") + pad + u'.';
}

TPadCheckFrm::TPadCheckFrm(const QList<PadFailure>& failures, PadVersion version, Buttons buttons, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PadCheckFrm"));
    setWindowTitle(QStringLiteral("PAD Check"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    QString text = summary(failures.size(), version);
    if (buttons == Buttons::SaveAnyway)
        text += QStringLiteral(" Sites that read PAD files may refuse the file. Save it anyway?");
    m_summary = new QLabel(text, this);
    m_summary->setObjectName(QStringLiteral("SummaryLabel"));
    m_summary->setWordWrap(true);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("FailureGrid"));
    PadTableCells::setUp(m_table, {QStringLiteral("Field"), QStringLiteral("Problem"), QStringLiteral("Rule")});
    m_table->setRowCount(int(failures.size()));
    const QString root = QStringLiteral("XML_DIZ_INFO/");
    for (int r = 0; r < failures.size(); ++r) {
        const PadFailure& failure = failures[r];
        const QString field = failure.path.startsWith(root) ? failure.path.mid(root.size()) : failure.path;
        m_table->setItem(r, 0, PadTableCells::item(field));
        m_table->setItem(r, 1, PadTableCells::item(failure.problem));
        m_table->setItem(r, 2, PadTableCells::item(failure.ruleText));
    }
    m_table->setColumnWidth(0, 330);
    m_table->setColumnWidth(1, 170);
    m_table->setToolTip(QStringLiteral("Each field whose value breaks its rule, what is wrong with it and the rule"));

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const auto button = [this, row](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        row->addWidget(b);
        return b;
    };
    if (buttons == Buttons::Close) {
        m_close = button("CloseBtn", QStringLiteral("Close"), QStringLiteral("Close this window"));
        m_close->setDefault(true);
        connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    } else {
        m_saveAnyway = button("SaveAnywayBtn", QStringLiteral("Save Anyway"),
                              QStringLiteral("Write the PAD file with these fields as they are"));
        m_saveAnyway->setAutoDefault(false);
        m_cancel = button("CancelBtn", QStringLiteral("Cancel"),
                          QStringLiteral("Write nothing and go back to correct the fields"));
        // Enter does not write a file that breaks the rules.
        m_cancel->setDefault(true);
        connect(m_saveAnyway, &QPushButton::clicked, this, &QDialog::accept);
        connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addLayout(row);
    resize(820, 420);
}
