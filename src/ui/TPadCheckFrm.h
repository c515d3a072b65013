#pragma once

#include "pad/PadRules.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;

// "PAD Check": the fields of a PAD file that break the rules of its version.
// Shown by "Check" with "Close", and by "Save..." with "Save Anyway" and "Cancel".
class TPadCheckFrm : public QDialog {
    Q_OBJECT
public:
    enum class Buttons { Close, SaveAnyway };

    TPadCheckFrm(const QList<PadFailure>& failures, PadVersion version, Buttons buttons, QWidget* parent = nullptr);

    QLabel* summaryLabel() const { return m_summary; }
    QTableWidget* table() const { return m_table; }
    // "Close", or null when the window asks about saving.
    QPushButton* closeButton() const { return m_close; }
    // "Save Anyway" and "Cancel", or null when the window only shows.
    QPushButton* saveAnywayButton() const { return m_saveAnyway; }
    QPushButton* cancelButton() const { return m_cancel; }

    // "3 fields fail the rules of PAD 4.0."
    static QString summary(qsizetype failures, PadVersion version);

private:
    QLabel* m_summary;
    QTableWidget* m_table;
    QPushButton* m_close = nullptr;
    QPushButton* m_saveAnyway = nullptr;
    QPushButton* m_cancel = nullptr;
};
