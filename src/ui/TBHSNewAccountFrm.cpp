#include "ui/TBHSNewAccountFrm.h"

#include "services/BhsAccounts.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct FieldSpec {
    const char* objectName;
    const char* label;
};

constexpr FieldSpec Fields[TBHSNewAccountFrm::FieldCount] = {
    {"CompanyNameEdit", "Company Name:"}, {"Address1Edit", "Address 1:"},  {"Address2Edit", "Address 2:"},
    {"CityEdit", "City:"},                {"StateCountryEdit", "State/Country:"}, {"ZipCodeEdit", "Zip Code:"},
    {"PhoneEdit", "Phone:"},              {"EmailEdit", "E-Mail:"},        {"FTPEdit", "FTP Site:"},
    {"WebEdit", "Web Site:"},
};

} // namespace

TBHSNewAccountFrm::TBHSNewAccountFrm(BhsAccounts& accounts, QWidget* parent) : QDialog(parent), m_accounts(accounts)
{
    setObjectName(QStringLiteral("BHSNewAccountFrm"));
    setWindowTitle(QStringLiteral("Get New BHS Account:"));
    setModal(true);

    const BhsAccounts::NewAccount company = accounts.newAccountFields();
    const QString values[FieldCount] = {company.companyName, company.address1, company.address2, company.city,
                                        company.stateCountry, company.zipCode, company.phone, company.email,
                                        company.ftpSite, company.webSite};
    auto* form = new QFormLayout;
    for (int i = 0; i < FieldCount; ++i) {
        auto* e = new QLineEdit(values[i], this);
        e->setObjectName(QLatin1String(Fields[i].objectName));
        m_edits[size_t(i)] = e;
        form->addRow(QLatin1String(Fields[i].label), e);
    }

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("StatusPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    m_status = new QLabel(panel);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setAlignment(Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(m_status);
    panel->hide();
    m_panel = panel;
    connect(&m_accounts, &BhsAccounts::waitingChanged, this, [this](bool waiting) {
        if (!m_requesting || !waiting)
            return;
        m_panel->show();
        m_request->setEnabled(false);
        m_cancel->setEnabled(false);
    });
    connect(&m_accounts, &BhsAccounts::statusChanged, this, [this](const QString& text) {
        if (m_requesting)
            m_status->setText(text);
    });

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_cancel->setAutoDefault(false);
    m_request = new QPushButton(QStringLiteral("Request Account"), this);
    m_request->setObjectName(QStringLiteral("RequestAccountBtn"));
    m_request->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &TBHSNewAccountFrm::reject);
    connect(m_request, &QPushButton::clicked, this, &TBHSNewAccountFrm::RequestAccountBtnClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_request);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_panel);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void TBHSNewAccountFrm::RequestAccountBtnClick()
{
    const auto text = [this](Field f) { return edit(f)->text(); };
    BhsAccounts::NewAccount fields;
    fields.companyName = text(CompanyName);
    fields.address1 = text(Address1);
    fields.address2 = text(Address2);
    fields.city = text(City);
    fields.stateCountry = text(StateCountry);
    fields.zipCode = text(ZipCode);
    fields.phone = text(Phone);
    fields.email = text(Email);
    fields.ftpSite = text(FTP);
    fields.webSite = text(Web);

    QString id;
    m_requesting = true;
    const BhsAccounts::Outcome outcome = m_accounts.requestAccount(fields, id);
    m_requesting = false;
    if (outcome == BhsAccounts::Outcome::Declined && !m_closePending)
        return;
    m_newId = outcome == BhsAccounts::Outcome::Done ? id : QString();
    QDialog::done(m_newId.isEmpty() ? Rejected : Accepted);
}

void TBHSNewAccountFrm::done(int result)
{
    // The request runs inside this window: a close while it waits stops it first.
    if (m_accounts.busy()) {
        m_closePending = true;
        m_accounts.cancel();
        return;
    }
    QDialog::done(result);
}
