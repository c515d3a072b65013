#pragma once

#include <QDialog>

class ProgramSettings;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// The "Settings" dialog: mail identity, server and sign-in, HTTP proxy, FTP and
// HTTP limits, hints and the reset-post switch.
class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    TSettingsForm(ProgramSettings& settings, QString fileName, QWidget* parent = nullptr);

    // Reads the dialog's keys from the file into the held values and shows them.
    void loadFields();
    // "Ok": the fields become the held values, hints follow "Show Hints", and the
    // dialog's keys are written. Throws ZentrelError when the write fails, and
    // before anything changes when a sign-in field cannot be stored as typed.
    void okBtnClick();

    QLineEdit* smtpEdit() const { return m_smtp; }
    QLineEdit* emailEdit() const { return m_email; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* smtpUserEdit() const { return m_smtpUser; }
    QLineEdit* smtpPasswordEdit() const { return m_smtpPassword; }
    QCheckBox* requireEncryptionCheck() const { return m_requireEncryption; }
    QLineEdit* proxyEdit() const { return m_proxy; }
    QLineEdit* proxyUserEdit() const { return m_proxyUser; }
    QLineEdit* proxyPasswordEdit() const { return m_proxyPassword; }
    QLineEdit* portEdit() const { return m_port; }
    QSpinBox* retriesSpin() const { return m_retries; }
    QSpinBox* timeOutSpin() const { return m_timeOut; }
    QCheckBox* passiveCheck() const { return m_passive; }
    QCheckBox* hintsCheck() const { return m_hints; }
    QCheckBox* resetPostCheck() const { return m_resetPost; }

signals:
    // The write of "Ok" failed; the dialog stays open.
    void saveFailed(const QString& message);

private:
    ProgramSettings& m_settings;
    QString m_fileName;
    QLineEdit* m_smtp;
    QLineEdit* m_email;
    QLineEdit* m_name;
    QLineEdit* m_smtpUser;
    QLineEdit* m_smtpPassword;
    QCheckBox* m_requireEncryption;
    QLineEdit* m_proxy;
    QLineEdit* m_proxyUser;
    QLineEdit* m_proxyPassword;
    QLineEdit* m_port;
    QSpinBox* m_retries;
    QSpinBox* m_timeOut;
    QCheckBox* m_passive;
    QCheckBox* m_hints;
    QCheckBox* m_resetPost;
};
