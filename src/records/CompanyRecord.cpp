#include "records/CompanyRecord.h"

#include "records/ChooserList.h"
#include "records/FileStore.h"
#include "records/TGWide.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"

#include <optional>

namespace {

const QString Section = QStringLiteral("COMPANY");

constexpr const char* FieldKeys[CompanyFieldCount] = {
    "CONTACT", "CTITLE", "CEMAIL", "CPHONE", "CFAX", "CADDR",
    "CCITY", "CSTATE", "CZIP", "CCOUNTRY", "CURL", "CCMAIL",
};

} // namespace

CompanyRecord::CompanyRecord(ChooserList& chooser, UserPrompts& prompts, QObject* parent)
    : QObject(parent), m_chooser(chooser), m_prompts(prompts)
{
}

QString CompanyRecord::fieldKey(CompanyField f)
{
    return QLatin1String(FieldKeys[int(f)]);
}

QString CompanyRecord::recordFile(const QString& companyName) const
{
    return WorkspacePath::file(m_workspace->CompaniesDir(), companyName, QStringLiteral(".dat"));
}

QString CompanyRecord::name() const
{
    return m_chooser.currentText();
}

void CompanyRecord::setField(CompanyField f, const QString& text)
{
    QString& current = m_fields[size_t(f)];
    if (current == text)
        return;
    current = text;
    emit fieldChanged(f, text);
    setChanged(true);
}

void CompanyRecord::setBhsId(const QString& number)
{
    m_bhsId = number;
}

void CompanyRecord::setChanged(bool changed)
{
    if (m_changed == changed)
        return;
    m_changed = changed;
    emit changedMarkChanged(changed);
}

void CompanyRecord::ClearCompanyFields()
{
    for (int i = 0; i < CompanyFieldCount; ++i)
        setField(CompanyField(i), QString());
    m_bhsId.clear();
}

void CompanyRecord::LoadCompany()
{
    const QString shown = name();
    if (shown.isEmpty() || !m_workspace || !WorkspacePath::isSafeName(shown))
        return;
    BusyCursor busy(m_prompts);
    std::optional<QByteArray> bytes;
    try {
        bytes = FileStore::readIfExists(recordFile(shown), FileLimits::Profile);
    } catch (const FileTooLarge& e) {
        // Told once, though the start-up and the application's load both load it;
        // a save is refused, so the file stays whole.
        if (m_reported.contains(e.text()))
            return;
        m_reported.insert(e.text());
        m_prompts.error(e.text());
        return;
    } catch (const ZentrelError&) {
        return;
    }
    if (!bytes)
        return; // a missing record keeps what the page showed
    const IniSection s = IniDocument::sectionOf(*bytes, Section);
    const int listed = m_chooser.indexOf(s.ReadString(QStringLiteral("CONAME"), QString()));
    if (listed >= 0)
        m_chooser.setCurrentIndex(listed);
    m_bhsId = s.ReadString(QStringLiteral("BHSID"), QString());
    for (int i = 0; i < CompanyFieldCount; ++i)
        setField(CompanyField(i), s.ReadString(fieldKey(CompanyField(i)), QString()));
}

void CompanyRecord::SelectCompanyByName(const QString& companyName)
{
    ClearCompanyFields();
    const int at = companyName.isEmpty() ? -1 : m_chooser.indexOf(companyName, Qt::CaseInsensitive);
    // A company that is not listed shows as none, so no unrelated record is saved over.
    m_chooser.setCurrentIndex(at);
    if (at >= 0)
        LoadCompany();
}

bool CompanyRecord::NewCompany()
{
    const auto newName = m_chooser.askNewName(m_prompts, QStringLiteral("New Company Name"),
                                              QStringLiteral("COMPANY NAME DUPLICATE"),
                                              QStringLiteral("The company name you entered is already on the list!"));
    if (!newName)
        return false;
    const int at = m_chooser.add(*newName);
    m_workspace->SaveCompanyList();
    m_chooser.setCurrentIndex(at);
    ClearCompanyFields();
    SaveCompany();
    return true;
}

void CompanyRecord::DeleteCompany()
{
    const QString shown = name();
    if (shown.isEmpty())
        return;
    if (!m_prompts.confirm(QStringLiteral("Delete This Company ?")))
        return;
    BusyCursor busy(m_prompts);
    m_chooser.removeAt(m_chooser.indexOf(shown));
    m_workspace->SaveCompanyList();
    if (!m_chooser.isEmpty()) {
        m_chooser.setCurrentIndex(0);
        LoadCompany();
    }
}

void CompanyRecord::SaveCompany()
{
    const QString shown = name();
    if (shown.isEmpty())
        return;
    BusyCursor busy(m_prompts);
    IniValues values;
    values.string(QStringLiteral("CONAME"), shown).string(QStringLiteral("BHSID"), m_bhsId);
    for (int i = 0; i < CompanyFieldCount; ++i)
        values.string(fieldKey(CompanyField(i)), m_fields[size_t(i)]);
    TIniFile(recordFile(shown)).WriteValues(Section, values.list());
    setChanged(false);
}

bool CompanyRecord::BhsIdClick()
{
    if (name().isEmpty()) {
        m_prompts.error(QStringLiteral("You first need to define a company name!"));
        return false;
    }
    if (m_bhsId.isEmpty())
        return true;
    m_prompts.info(QStringLiteral("Your BHS ID# is: ") + m_bhsId);
    return false;
}
