#pragma once

#include "submit/SubmissionRun.h"

#include <QDialog>

class QLineEdit;

// The mail setup dialog: the SMTP server, the sender's address and name that
// e-mail posting uses. A run fills it from the settings before it posts.
class TSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSetupDlg(QWidget* parent = nullptr);

    // Puts the values into the fields; the dialog itself stays closed.
    void fill(const MailSetup& setup);
    // The values of the fields; the sign-in and encryption the dialog does not
    // show stay as the last fill() gave them.
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
    MailSetup m_filled;
};
