#include "ui/TBHSFrm.h"

#include "ui/TBHSNewAccountFrm.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TBHSFrm::TBHSFrm(CompanyRecord& company, const ProgramSettings& settings, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_accounts(company, settings, prompts)
{
    setObjectName(QStringLiteral("BHSFrm"));
    setWindowTitle(QStringLiteral("Beverly Hills Software ID"));
    setModal(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("AccountList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Company Name"), QStringLiteral("BHS ID")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->setToolTip(QStringLiteral("The publisher accounts BHS knows; double click one to see its ID"));
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &TBHSFrm::AccountListDblClick);

    const auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QLatin1String(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        b->setAutoDefault(false);
        return b;
    };
    m_browse = button("BrowseBtn", "Browse Accounts", "Fetch the list of publisher accounts from BHS");
    m_getNew = button("GetNewAccountBtn", "Get New Account", "Ask BHS for a new account with your company's data");
    m_useSelected = button("UseSelectedBtn", "Use Selected", "Use the selected account's ID as your BHS ID");
    m_cancel = button("CancelBtn", "Cancel", "Close without storing an ID");
    m_useSelected->setEnabled(false);
    connect(m_browse, &QPushButton::clicked, this, &TBHSFrm::BrowseBtnClick);
    connect(m_getNew, &QPushButton::clicked, this, &TBHSFrm::GetNewAccountBtnClick);
    connect(m_useSelected, &QPushButton::clicked, this, &TBHSFrm::UseSelectedBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &TBHSFrm::reject);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("PleaseWaitPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* wait = new QLabel(QStringLiteral("Getting BHS Accounts. Please wait..."), panel);
    wait->setAlignment(Qt::AlignCenter);
    QFont bold = wait->font();
    bold.setBold(true);
    wait->setFont(bold);
    m_status = new QLabel(panel);
    m_status->setObjectName(QStringLiteral("Statlbl"));
    m_status->setAlignment(Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(wait);
    panelLayout->addWidget(m_status);
    panel->hide();
    m_waitPanel = panel;

    // Only a browse shows here; the new-account window shows its own progress.
    connect(&m_accounts, &BhsAccounts::waitingChanged, this, [this](bool waiting) {
        if (m_browsing && waiting)
            setWaiting(true);
    });
    connect(&m_accounts, &BhsAccounts::statusChanged, this, [this](const QString& text) {
        if (m_browsing)
            m_status->setText(text);
    });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_browse, m_getNew, m_useSelected, m_cancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_waitPanel);
    resize(520, 320);
}

TBHSFrm::~TBHSFrm() = default;

void TBHSFrm::setWaiting(bool waiting)
{
    m_waitPanel->setVisible(waiting);
    for (QPushButton* b : {m_browse, m_getNew, m_cancel})
        b->setEnabled(!waiting);
    m_useSelected->setEnabled(!waiting && m_list->topLevelItemCount() > 0);
}

void TBHSFrm::BrowseBtnClick()
{
    m_browsing = true;
    const BhsAccounts::Outcome outcome = m_accounts.browse();
    m_browsing = false;
    if (outcome == BhsAccounts::Outcome::Declined)
        return;
    if (outcome != BhsAccounts::Outcome::Done || m_closePending) {
        QDialog::done(Rejected);
        return;
    }
    m_list->clear();
    for (const BhsAccounts::Account& account : m_accounts.accounts())
        m_list->addTopLevelItem(new QTreeWidgetItem(QStringList{account.name, account.id}));
    m_list->setCurrentItem(m_list->topLevelItem(0));
    setWaiting(false);
}

BhsAccounts::Account TBHSFrm::accountOf(const QTreeWidgetItem* item) const
{
    return {item->text(0), item->text(1)};
}

void TBHSFrm::AccountListDblClick(QTreeWidgetItem* item)
{
    if (item)
        m_accounts.showId(accountOf(item));
}

void TBHSFrm::UseSelectedBtnClick()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    if (m_accounts.useAccount(accountOf(item)))
        QDialog::done(Accepted);
}

void TBHSFrm::GetNewAccountBtnClick()
{
    QString id;
    {
        TBHSNewAccountFrm request(m_accounts, this);
        request.exec();
        id = request.newId();
    }
    QDialog::done(m_accounts.takeNewAccount(id) ? Accepted : Rejected);
}

void TBHSFrm::done(int result)
{
    // Escape, "Cancel" and the frame's close all come here. While BHS is being
    // waited for the client runs inside this window: stop it, and close when it returns.
    if (m_accounts.busy()) {
        m_closePending = true;
        m_accounts.cancel();
        return;
    }
    QDialog::done(result);
}
