#include "ui/TCompanyPage.h"

#include "ui/ChooserBinding.h"
#include "ui/InputRules.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct FieldSpec {
    const char* objectName;
    const char* label;
    const char* hint;
};

constexpr FieldSpec Fields[CompanyFieldCount] = {
    {"conname", "Contact Name:", "The person download sites should contact about your programs"},
    {"contitle", "Contact Title:", "The contact's position, for example President or Sales Manager"},
    {"conmail", "Contact E-Mail:", "The contact's e-mail address"},
    {"conphone", "Contact Phone:", "The contact's telephone number, with the country and area code"},
    {"confax", "Contact Fax:", "The contact's fax number, if any"},
    {"conaddr", "Contact Address:", "The street address of the company"},
    {"concity", "Contact City:", "The city of the company"},
    {"constate", "Contact State/Province:", "The state or province of the company"},
    {"conzip", "Postal (Zip):", "The postal (zip) code of the company"},
    {"concountry", "Contact Country:", "The two-letter identifier of the company's country, for example US"},
    {"pubpage", "Company Home Page:", "The address of the company's home page, for example http://www.example.com"},
    {"pubmail", "Company E-Mail:", "The company's public e-mail address for sales and support"},
};

} // namespace

TCompanyPage::TCompanyPage(CompanyRecord& record, ChooserList& chooser,
                           std::function<void(const std::function<void()>&)> run, QWidget* parent)
    : QWidget(parent), m_record(record)
{
    setObjectName(QStringLiteral("CompanyPage"));
    auto* form = new QFormLayout;
    m_compname = new QComboBox(this);
    m_compname->setObjectName(QStringLiteral("compname"));
    m_compname->setToolTip(QStringLiteral("Choose the company to show; New Company adds one"));
    bindChooser(m_compname, chooser);
    form->addRow(QStringLiteral("Company Name:"), m_compname);

    for (int i = 0; i < CompanyFieldCount; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(Fields[i].objectName));
        edit->setToolTip(QLatin1String(Fields[i].hint));
        const auto field = CompanyField(i);
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            m_record.setField(field, text);
        });
        m_edits[size_t(i)] = edit;
        form->addRow(QLatin1String(Fields[i].label), edit);
    }
    InputRules::dropTypedSpaces(fieldEdit(CompanyField::HomePage));
    InputRules::dropTypedSpaces(fieldEdit(CompanyField::CompanyEmail));
    connect(&record, &CompanyRecord::fieldChanged, this, [this](CompanyField field, const QString& text) {
        QLineEdit* edit = fieldEdit(field);
        if (edit->text() != text)
            edit->setText(text);
    });
    connect(m_compname, &QComboBox::activated, this, [this, run] { run([this] { m_record.LoadCompany(); }); });

    const auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QLatin1String(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        return b;
    };
    QPushButton* newBtn = button("NewCompanyBtn", "New Company", "Add a company");
    QPushButton* deleteBtn = button("DeleteCompanyBtn", "Delete Company", "Remove the shown company from the list");
    QPushButton* saveBtn = button("SaveCompanyBtn", "Save Company", "Save the shown company");
    QPushButton* saveAppBtn = button("SaveAppBtn", "Save Application", "Save the application and its company");
    QPushButton* bhsBtn = button("BHSBtn", "BHS ID#", "Show or look up your publisher number at BHS");
    connect(newBtn, &QPushButton::clicked, this, [this, run] { run([this] { m_record.NewCompany(); }); });
    connect(deleteBtn, &QPushButton::clicked, this, [this, run] { run([this] { m_record.DeleteCompany(); }); });
    connect(saveBtn, &QPushButton::clicked, this, [this, run] { run([this] { m_record.SaveCompany(); }); });
    connect(saveAppBtn, &QPushButton::clicked, this, &TCompanyPage::saveApplicationClicked);
    connect(bhsBtn, &QPushButton::clicked, this, [this, run] {
        run([this] {
            if (m_record.BhsIdClick())
                emit bhsAccountRequested();
        });
    });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {newBtn, deleteBtn, saveBtn, saveAppBtn})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    buttons->addWidget(bhsBtn);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}
