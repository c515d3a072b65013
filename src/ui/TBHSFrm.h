#pragma once

#include "services/BhsAccounts.h"

#include <QDialog>

class CompanyRecord;
class ProgramSettings;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class UserPrompts;

// "Beverly Hills Software ID": lists the publisher accounts BHS knows and stores
// the chosen one's number, or a new account's, as the company's BHS ID. Closing
// the window while it waits for BHS stops the wait first; the window closes
// once the client has let go.
class TBHSFrm : public QDialog {
    Q_OBJECT
public:
    TBHSFrm(CompanyRecord& company, const ProgramSettings& settings, UserPrompts& prompts,
            QWidget* parent = nullptr);
    ~TBHSFrm() override;

    QTreeWidget* accountList() const { return m_list; }
    QPushButton* browseButton() const { return m_browse; }
    QPushButton* getNewAccountButton() const { return m_getNew; }
    QPushButton* useSelectedButton() const { return m_useSelected; }
    QPushButton* cancelButton() const { return m_cancel; }
    QWidget* waitPanel() const { return m_waitPanel; }
    QLabel* statusLabel() const { return m_status; }
    BhsAccounts& accounts() { return m_accounts; }

    void BrowseBtnClick();
    void UseSelectedBtnClick();
    void GetNewAccountBtnClick();

public slots:
    void done(int result) override;

private:
    void AccountListDblClick(QTreeWidgetItem* item);
    void setWaiting(bool waiting);
    BhsAccounts::Account accountOf(const QTreeWidgetItem* item) const;

    BhsAccounts m_accounts;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_getNew = nullptr;
    QPushButton* m_useSelected = nullptr;
    QPushButton* m_cancel = nullptr;
    QWidget* m_waitPanel = nullptr;
    QLabel* m_status = nullptr;
    bool m_browsing = false;
    // A close asked for while BHS was being waited for; done once the wait ends.
    bool m_closePending = false;
};
