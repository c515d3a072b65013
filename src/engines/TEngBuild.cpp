#include "engines/TEngBuild.h"

#include "records/Blanks.h"
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
    if (!WorkspacePath::isSafeName(name)) {
        m_prompts.error(WorkspacePath::unsafeNameMessage(name));
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
    if (!WorkspacePath::isSafeName(name))
        return;
    QFile ini(definitionFile(name));
    if (ini.open(QIODevice::ReadOnly))
        m_site.readKeys(IniDocument::sectionOf(ini.readAll(), SettingsSection));
    if (auto lines = ListFile::loadIfExists(primaryCategoryFile(name)))
        m_site.primaryCategories = std::move(*lines);
    if (auto lines = ListFile::loadIfExists(secondaryCategoryFile(name)))
        m_site.secondaryCategories = std::move(*lines);
    for (int s = 0; s < SiteScriptCount; ++s)
        if (auto lines = ListFile::loadIfExists(scriptFile(name, SiteScript(s))))
            m_site.scripts[size_t(s)] = std::move(*lines);
}

void TEngBuild::SaveSite(const QString& name)
{
    TIniFile(definitionFile(name)).WriteValues(SettingsSection, m_site.keys().list());
    saveOrRemove(primaryCategoryFile(name), m_site.primaryCategories);
    saveOrRemove(secondaryCategoryFile(name), m_site.secondaryCategories);
    // An emptied script removes its file, so the old text does not return at the next load.
    for (int s = 0; s < SiteScriptCount; ++s)
        saveOrRemove(scriptFile(name, SiteScript(s)), m_site.scripts[size_t(s)]);
}
