#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Import PAD File from URL": the address of the PAD file to fetch.
class TPadUrlFrm : public QDialog {
    Q_OBJECT
public:
    explicit TPadUrlFrm(const QString& address, QWidget* parent = nullptr);

    // The address as typed, without surrounding blanks.
    QString url() const;
    QLineEdit* urlField() const { return m_url; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLineEdit* m_url;
    QPushButton* m_import;
    QPushButton* m_cancel;
};
