#pragma once

#include "pad/PadMapping.h"

#include <QColor>
#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Import PAD File": what each field of a PAD file becomes in the records,
// shown before anything is imported. "Import" goes on, "Cancel" leaves the
// workspace as it was.
class TPadImportFrm : public QDialog {
    Q_OBJECT
public:
    TPadImportFrm(const QString& source, const QList<PadImportRow>& rows, QWidget* parent = nullptr);

    QLineEdit* sourceField() const { return m_source; }
    QTableWidget* table() const { return m_table; }
    // The whole value and note of the row selected.
    QPlainTextEdit* detailBox() const { return m_detail; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The legend's words for a kind of row, and the row's background.
    static QString kindText(PadImportRow::Kind kind);
    static QColor kindColour(PadImportRow::Kind kind);

private:
    void showDetail();

    QList<PadImportRow> m_rows;
    QLineEdit* m_source;
    QTableWidget* m_table;
    QPlainTextEdit* m_detail;
    QPushButton* m_import;
    QPushButton* m_cancel;
};
