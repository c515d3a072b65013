#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <array>

class ChooserList;
class TGWide;
class UserPrompts;

// The company fields of the "Company Information" page, in the order of the record file.
enum class CompanyField {
    Contact, Title, Email, Phone, Fax, Address, City, State, Zip, Country, HomePage, CompanyEmail,
};
constexpr int CompanyFieldCount = 12;

// The Company record shown on the page: the chooser's name, the twelve fields,
// the held BHS account number and the company changed mark. The page's widgets
// show these values; every rule of the record lives here.
class CompanyRecord : public QObject {
    Q_OBJECT
public:
    CompanyRecord(ChooserList& chooser, UserPrompts& prompts, QObject* parent = nullptr);

    // The workspace whose companies directory holds the record files.
    void setWorkspace(TGWide* workspace) { m_workspace = workspace; }

    QString field(CompanyField f) const { return m_fields[size_t(f)]; }
    // Sets a field's text; a change of the text sets the changed mark.
    void setField(CompanyField f, const QString& text);
    const QString& bhsId() const { return m_bhsId; }
    void setBhsId(const QString& number);

    // The name the chooser shows; empty when it shows none.
    QString name() const;

    bool changed() const { return m_changed; }
    void setChanged(bool changed);

    // Reads the record of the company the chooser shows; a missing file keeps the fields.
    void LoadCompany();
    // Empties the fields, then selects and loads the listed company equal to the name
    // ignoring case. A name that is not listed leaves the chooser showing none.
    void SelectCompanyByName(const QString& name);
    // Asks for a name ("New Company Name") and creates its record; true when one was added.
    bool NewCompany();
    // Removes the shown company from the list after "Delete This Company ?"; the record file stays.
    void DeleteCompany();
    // Writes the fourteen keys of the shown company; nothing when none is shown.
    void SaveCompany();
    // Empties the twelve fields and the held BHS number; the chooser is untouched.
    void ClearCompanyFields();
    // The "BHS ID#" button; returns true when the account dialog should open.
    bool BhsIdClick();

    QString recordFile(const QString& companyName) const;
    static QString fieldKey(CompanyField f);

signals:
    void fieldChanged(CompanyField field, const QString& text);
    void changedMarkChanged(bool changed);

private:
    ChooserList& m_chooser;
    UserPrompts& m_prompts;
    TGWide* m_workspace = nullptr;
    std::array<QString, CompanyFieldCount> m_fields;
    QString m_bhsId;
    bool m_changed = false;
    QSet<QString> m_reported; // problems with record files already told
};
