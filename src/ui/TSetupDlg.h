#pragma once

#include <QDialog>

class QLineEdit;
struct MailSetup;

// The mail setup dialog: the SMTP server, the sender's address and name that
// e-mail posting uses. A run fills it from the settings before it posts.
class TSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSetupDlg(QWidget* parent = nullptr);

    // Puts the values into the fields; the dialog itself stays closed.
    void fill(const MailSetup& setup);
    // The values of the fields.
    MailSetup values() const;

    QLineEdit* ServerEdit() const { return m_server; }
    QLineEdit* UserAddressEdit() const { return m_userAddress; }
    QLineEdit* UserNameEdit() const { return m_userName; }
    QLineEdit* LogFileNameEdit() const { return m_logFileName; }

private:
    QLineEdit* m_server;
    QLineEdit* m_userAddress;
    QLineEdit* m_userName;
    QLineEdit* m_logFileName;
};
