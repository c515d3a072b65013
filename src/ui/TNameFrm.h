#pragma once

#include <QDialog>

class QLineEdit;

// The small name dialog: one entry field, "Ok" and "Cancel".
class TNameFrm : public QDialog {
    Q_OBJECT
public:
    explicit TNameFrm(const QString& title, QWidget* parent = nullptr);

    QString name() const;
    QLineEdit* field() const { return m_field; }

private:
    QLineEdit* m_field;
};
