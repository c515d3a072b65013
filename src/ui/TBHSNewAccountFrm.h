#pragma once

#include <QDialog>

#include <array>

class BhsAccounts;
class QLabel;
class QLineEdit;
class QPushButton;

// "Get New BHS Account:": the company's contact data, editable, sent to BHS as
// a new-account request on "Request Account". The window closes with the new
// account's ID, or with none when BHS gave none or could not be reached.
class TBHSNewAccountFrm : public QDialog {
    Q_OBJECT
public:
    // The ten fields, in the order the form sends them.
    enum Field { CompanyName, Address1, Address2, City, StateCountry, ZipCode, Phone, Email, FTP, Web };
    static constexpr int FieldCount = 10;

    TBHSNewAccountFrm(BhsAccounts& accounts, QWidget* parent = nullptr);

    QLineEdit* edit(Field field) const { return m_edits[size_t(field)]; }
    QPushButton* requestButton() const { return m_request; }
    QPushButton* cancelButton() const { return m_cancel; }
    QWidget* statusPanel() const { return m_panel; }
    QLabel* statusLabel() const { return m_status; }
    // The account ID BHS assigned; empty until one is received.
    const QString& newId() const { return m_newId; }

    void RequestAccountBtnClick();

public slots:
    void done(int result) override;

private:
    BhsAccounts& m_accounts;
    std::array<QLineEdit*, FieldCount> m_edits{};
    QPushButton* m_request = nullptr;
    QPushButton* m_cancel = nullptr;
    QWidget* m_panel = nullptr;
    QLabel* m_status = nullptr;
    QString m_newId;
    bool m_requesting = false;
    bool m_closePending = false;
};
