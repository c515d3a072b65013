#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class SimtelRequest;
struct SimtelRequestFields;

// "Simtel Password - PLEASE READ!": asks Simtel for its upload password by
// mail, and takes the password once it has arrived. One instance lives as long
// as the main window; a run shows it while a Simtel site is to be posted
// without a password. Closed with no password, it keeps the Simtel sites out
// of the run.
class Tsimtellpassfrm : public QDialog {
    Q_OBJECT
public:
    static constexpr int OpenHeight = 443;   // with the password part shown
    static constexpr int ClosedHeight = 327;

    explicit Tsimtellpassfrm(SimtelRequest& request, QWidget* parent = nullptr);

    QLineEdit* Edit1() const { return m_edit1; }
    QLineEdit* Edit2() const { return m_edit2; }
    QLineEdit* Edit3() const { return m_edit3; }
    QLineEdit* Edit4() const { return m_edit4; }
    QLineEdit* Edit5() const { return m_edit5; }
    QPlainTextEdit* Memo1() const { return m_memo1; }
    QCheckBox* authorcheck() const { return m_authorcheck; }
    QCheckBox* okbox() const { return m_okbox; }
    QPushButton* Button1() const { return m_button1; }
    QPushButton* Button2() const { return m_button2; }
    QWidget* passwordPanel() const { return m_passwordPanel; }

    // What the request fields hold.
    SimtelRequestFields fields() const;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void Button2Click();
    void okboxClick(bool checked);

    SimtelRequest& m_request;
    QLineEdit* m_edit1 = nullptr;
    QLineEdit* m_edit2 = nullptr;
    QLineEdit* m_edit3 = nullptr;
    QLineEdit* m_edit4 = nullptr;
    QLineEdit* m_edit5 = nullptr;
    QPlainTextEdit* m_memo1 = nullptr;
    QCheckBox* m_authorcheck = nullptr;
    QCheckBox* m_okbox = nullptr;
    QPushButton* m_button1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QWidget* m_passwordPanel = nullptr;
    // The mail client waits inside this window's event loop: the window stays until it is done.
    bool m_sending = false;
};
