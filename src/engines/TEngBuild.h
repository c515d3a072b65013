#pragma once

#include "engines/SiteCatalogue.h"
#include "engines/ScriptVariables.h"
#include "engines/SiteDefinition.h"
#include "records/TGWide.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>

class ApplicationRecord;
class CompanyRecord;
class UserPrompts;

// The engine builder object: the Site catalogue and the one current Site
// definition that the Site Builder edits and a submission run loads site by site.
class TEngBuild : public WorkspaceEngine {
public:
    TEngBuild(const TGWide& workspace, UserPrompts& prompts);

    // Loads the Site catalogue, then the current site's categories and definition.
    void start() override;

    SiteCatalogue& catalogue() { return m_catalogue; }
    const SiteCatalogue& catalogue() const { return m_catalogue; }

    // The current Site definition and its name (empty until a site is chosen).
    const QString& siteName() const { return m_siteName; }
    SiteDefinition& site() { return m_site; }
    const SiteDefinition& site() const { return m_site; }

    // The current definition holds edits that are not saved.
    bool modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // The current site as it stands, unsaved edits included, to be put back after
    // a submission run has loaded site after site.
    struct State {
        QString siteName;
        SiteDefinition site;
        QSet<QString> heldFiles;
        QHash<QString, QStringList> cutFiles;
        bool modified = false;
        bool definitionRead = false;
    };
    State saveState() const;
    void restoreState(const State& state);

    // While set, a file problem met loading a site goes here in place of a
    // message box (a submission run logs it and goes on).
    void setProblemReporter(std::function<void(const QString&)> report) { m_reportProblem = std::move(report); }

    void LoadCatalogue();
    void SaveCatalogue() const;

    // Adds a user site; false, with the message where one is due, when the name is refused.
    bool AddSite(const QString& name);
    // Deletes the site's files and removes it from the catalogue; the first
    // remaining site becomes current.
    void DeleteSite(const QString& name);
    // Makes the site current and reads its files; missing files leave the new-site values.
    void LoadSite(const QString& name);
    // The last LoadSite found the site's definition file and read it.
    bool definitionRead() const { return m_definitionRead; }
    // Writes the current definition, its category lists and scripts under the name.
    void SaveSite(const QString& name);
    // Back to the new-site values, keeping the name and the field translations.
    void ClearSite();

    // The records expansion reads, as they stand in memory (unsaved edits included).
    void setRecords(const CompanyRecord* company, const ApplicationRecord* application);
    // The Application site list entry being posted, read in submission mode.
    void setCategoryChoices(const CategoryChoices* choices) { m_choices = choices; }

    // Fills the template's variables. On failure the error flag is set and the
    // template comes back unchanged; the error text names what failed.
    QString Expand(const QString& tmpl, ExpandMode mode);
    // One variable's value; an unknown name or a missing category sets the error flag.
    QString Lookup(const QString& name, ExpandMode mode);
    bool ExpandError() const { return m_expandError; }
    const QString& ExpandErrorText() const { return m_expandErrorText; }
    // The clock variables' values; a check of many scripts holds one moment for its length.
    ClockValues& clockValues() { return m_clock; }

    QString definitionFile(const QString& name) const;
    QString primaryCategoryFile(const QString& name) const;
    QString secondaryCategoryFile(const QString& name) const;
    QString scriptFile(const QString& name, SiteScript script) const;

private:
    QString translated(const QString& value, Translation first, int count) const;
    QString size(const QString& bytes) const;
    QString category(bool use, const QStringList& lines, const QString& chosen, ExpandMode mode);
    void reportProblem(const QString& text);

    const TGWide& m_workspace;
    UserPrompts& m_prompts;
    SiteCatalogue m_catalogue;
    QString m_siteName;
    SiteDefinition m_site;
    // Files of the shown site that were too large to load: saving leaves them as they are.
    QSet<QString> m_heldFiles;
    // Files of the shown site that hold a NUL byte, with the lines read before it.
    QHash<QString, QStringList> m_cutFiles;
    bool m_modified = false;
    bool m_definitionRead = false;
    std::function<void(const QString&)> m_reportProblem;
    const CompanyRecord* m_company = nullptr;
    const ApplicationRecord* m_application = nullptr;
    const CategoryChoices* m_choices = nullptr;
    bool m_expandError = false;
    QString m_expandErrorText;
    ClockValues m_clock;
};
