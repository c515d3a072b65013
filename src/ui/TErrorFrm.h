#pragma once

#include <QDialog>

class QLabel;

// The small "ERROR" window: two text lines, an instruction line and "Ok".
class TErrorFrm : public QDialog {
    Q_OBJECT
public:
    explicit TErrorFrm(QWidget* parent = nullptr);

    // An empty instruction is shown as "Please click OK to continue...".
    void setLines(const QString& first, const QString& second, const QString& instruction);

    QString firstLine() const;
    QString secondLine() const;
    QString instruction() const;

private:
    QLabel* m_first;
    QLabel* m_second;
    QLabel* m_instruction;
};
