#include "engines/TEngBuild.h"

#include "records/Blanks.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"

#include <QFile>

namespace {

const QString SettingsSection = QStringLiteral("SETTINGS");

// Writes the lines, or removes the file when there are none.
void saveOrRemove(const QString& fileName, const QStringList& lines)
{
    if (lines.isEmpty())
        QFile::remove(fileName);
    else
        ListFile::save(fileName, lines);
}

} // namespace

TEngBuild::TEngBuild(const TGWide& workspace, UserPrompts& prompts)
    : m_workspace(workspace), m_prompts(prompts)
{
}

void TEngBuild::start()
{
    LoadCatalogue();
    if (!m_siteName.isEmpty())
        LoadSite(m_siteName);
}

QString TEngBuild::definitionFile(const QString& name) const
{
    return WorkspacePath::file(m_workspace.SitesDir(), name, QStringLiteral(".ini"));
}

QString TEngBuild::primaryCategoryFile(const QString& name) const
{
    return WorkspacePath::file(m_workspace.CatDir(), name, QStringLiteral(" Cat1.cat"));
}

QString TEngBuild::secondaryCategoryFile(const QString& name) const
{
    return WorkspacePath::file(m_workspace.CatDir(), name, QStringLiteral(" Cat2.cat"));
}

QString TEngBuild::scriptFile(const QString& name, SiteScript script) const
{
    return WorkspacePath::file(m_workspace.SitesDir(), name,
                               SiteDefinition::scriptSuffix(script) + QStringLiteral(".scp"));
}

TEngBuild::State TEngBuild::saveState() const
{
    return State{m_siteName, m_site, m_heldFiles, m_cutFiles, m_modified, m_definitionRead};
}

void TEngBuild::restoreState(const State& state)
{
    m_siteName = state.siteName;
    m_site = state.site;
    m_heldFiles = state.heldFiles;
    m_cutFiles = state.cutFiles;
    m_modified = state.modified;
    m_definitionRead = state.definitionRead;
}

void TEngBuild::reportProblem(const QString& text)
{
    if (m_reportProblem)
        m_reportProblem(text);
    else
        m_prompts.error(text);
}

void TEngBuild::LoadCatalogue()
{
    m_catalogue.load(m_workspace.SitesDir());
}

void TEngBuild::SaveCatalogue() const
{
    m_catalogue.save(m_workspace.SitesDir());
}

bool TEngBuild::AddSite(const QString& typedName)
{
    const QString name = trimBlanks(typedName);
    if (name.isEmpty())
        return false;
    if (m_catalogue.contains(name)) {
        m_prompts.errorWindow(QStringLiteral("SITE NAME DUPLICATE"),
                              QStringLiteral("The site name you entered is already on the list!"));
        return false;
    }
    if (!SiteCatalogue::isUsableName(name)) {
        m_prompts.error(SiteCatalogue::unusableNameMessage(name));
        return false;
    }
    m_catalogue.addUserSite(name);
    m_siteName = name;
    m_site.translations = SiteDefinition::standardTranslations();
    SaveCatalogue();
    return true;
}

void TEngBuild::DeleteSite(const QString& name)
{
    if (WorkspacePath::isSafeName(name)) {
        QFile::remove(definitionFile(name));
        QFile::remove(primaryCategoryFile(name));
        QFile::remove(secondaryCategoryFile(name));
        for (int s = 0; s < SiteScriptCount; ++s)
            QFile::remove(scriptFile(name, SiteScript(s)));
    }
    m_catalogue.remove(name);
    SaveCatalogue();
    if (!m_catalogue.combined().isEmpty()) {
        LoadSite(m_catalogue.combined().first());
    } else {
        // Nothing is left to show; a later save must not bring the deleted site back.
        m_siteName.clear();
        ClearSite();
    }
}

void TEngBuild::ClearSite()
{
    m_site.clear();
}

void TEngBuild::LoadSite(const QString& name)
{
    m_siteName = name;
    ClearSite();
    m_heldFiles.clear();
    m_cutFiles.clear();
    m_definitionRead = false;
    if (!WorkspacePath::isSafeName(name))
        return;
    // A file far too large to use is reported and kept out of the definition, and
    // saving the site leaves it alone.
    const auto readLines = [this](const QString& file, QStringList& into) {
        try {
            if (const auto bytes = FileStore::readIfExists(file, FileLimits::CategoryList)) {
                into = ListFile::parse(*bytes);
                // Lines end at a NUL byte: writing back what was read would cut the file short.
                if (bytes->contains('\0')) {
                    m_cutFiles.insert(file, into);
                    reportProblem(QStringLiteral("The file %1 holds a NUL byte, and Zentrel reads it only up to "
                                                   "there. Saving the site leaves the file as it is unless you "
                                                   "change its text here.")
                                        .arg(file));
                }
            }
        } catch (const FileTooLarge& e) {
            m_heldFiles.insert(file);
            reportProblem(e.text());
        }
    };
    try {
        if (const auto bytes = FileStore::readIfExists(definitionFile(name), FileLimits::Profile)) {
            m_site.readKeys(IniDocument::sectionOf(*bytes, SettingsSection));
            m_definitionRead = true;
        }
    } catch (const FileTooLarge& e) {
        reportProblem(e.text()); // and a save is refused, so the file stays whole
    } catch (const ZentrelError&) {
        // A definition that cannot be read shows the defaults.
    }
    readLines(primaryCategoryFile(name), m_site.primaryCategories);
    readLines(secondaryCategoryFile(name), m_site.secondaryCategories);
    for (int s = 0; s < SiteScriptCount; ++s)
        readLines(scriptFile(name, SiteScript(s)), m_site.scripts[size_t(s)]);
}

void TEngBuild::SaveSite(const QString& name)
{
    TIniFile(definitionFile(name)).WriteValues(SettingsSection, m_site.keys().list());
    // A list that was too large to load, and that nothing has replaced, stays as it is.
    const bool sameSite = name == m_siteName;
    const auto save = [&](const QString& file, const QStringList& lines) {
        if (sameSite && lines.isEmpty() && m_heldFiles.contains(file))
            return;
        // A file read only up to a NUL byte is written again only once its text was changed.
        if (sameSite && m_cutFiles.contains(file)) {
            if (m_cutFiles.value(file) == lines)
                return;
            saveOrRemove(file, lines);
            m_cutFiles.remove(file);
            return;
        }
        saveOrRemove(file, lines);
    };
    save(primaryCategoryFile(name), m_site.primaryCategories);
    save(secondaryCategoryFile(name), m_site.secondaryCategories);
    // An emptied script removes its file, so the old text does not return at the next load.
    for (int s = 0; s < SiteScriptCount; ++s)
        save(scriptFile(name, SiteScript(s)), m_site.scripts[size_t(s)]);
}
