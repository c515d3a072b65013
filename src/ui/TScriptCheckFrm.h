#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// "Script Check": what a tested script expands to, or the error it stopped at.
class TScriptCheckFrm : public QDialog {
    Q_OBJECT
public:
    explicit TScriptCheckFrm(const QString& result, QWidget* parent = nullptr);

    QPlainTextEdit* resultBox() const { return m_result; }
    QPushButton* okButton() const { return m_ok; }

private:
    QPlainTextEdit* m_result;
    QPushButton* m_ok;
};
