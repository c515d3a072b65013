#include "workflow/SiteBuilder.h"

#include "engines/TEngBuild.h"
#include "records/ApplicationRecord.h"
#include "records/TGWide.h"
#include "records/UserPrompts.h"
#include "submit/ApplicationSiteList.h"
#include "submit/SubmissionRun.h"
#include "workflow/DefaultScripts.h"

#include <QScopeGuard>

namespace {

const SiteDefinition NoSite;

} // namespace

SiteBuilder::SiteBuilder(ApplicationSiteList& siteList, const ApplicationRecord& application, UserPrompts& prompts,
                         QObject* parent)
    : QObject(parent), m_siteList(siteList), m_application(application), m_prompts(prompts)
{
}

void SiteBuilder::setWorkspace(const TGWide* workspace, TEngBuild* engine)
{
    m_workspace = workspace;
    m_engine = engine;
}

QStringList SiteBuilder::siteNames() const
{
    return m_engine ? m_engine->catalogue().combined() : QStringList();
}

QString SiteBuilder::siteName() const
{
    return m_engine ? m_engine->siteName() : QString();
}

const SiteDefinition& SiteBuilder::site() const
{
    return m_engine ? m_engine->site() : NoSite;
}

bool SiteBuilder::modified() const
{
    return m_engine && m_engine->modified();
}

void SiteBuilder::setContributeShown(bool shown)
{
    if (m_contributeShown == shown)
        return;
    m_contributeShown = shown;
    emit contributeShownChanged(shown);
}

void SiteBuilder::selectSite(const QString& name)
{
    if (!m_engine)
        return;
    BusyCursor busy(m_prompts);
    setContributeShown(false);
    const auto shown = qScopeGuard([this] { emit siteShown(); });
    m_engine->LoadSite(name);
    m_engine->setModified(false);
}

void SiteBuilder::enterTab()
{
    if (m_engine && m_engine->siteName().isEmpty() && !m_engine->catalogue().combined().isEmpty())
        selectSite(m_engine->catalogue().combined().first());
}

void SiteBuilder::newSite()
{
    if (!m_engine)
        return;
    for (;;) {
        const std::optional<QString> name = m_prompts.askName(QStringLiteral("New Site Name:"));
        if (!name || name->isEmpty())
            return;
        // The engine refuses duplicates, blanks and names that cannot stand in a
        // site list; the user is asked again.
        bool added = false;
        try {
            added = m_engine->AddSite(*name);
        } catch (...) {
            // The catalogue could not be written: the name was taken all the same,
            // and it must not show the previous site's values.
            m_engine->ClearSite();
            emit catalogueChanged();
            emit siteShown();
            throw;
        }
        if (added)
            break;
    }
    const auto shown = qScopeGuard([this] {
        emit catalogueChanged();
        emit siteShown();
    });
    m_engine->ClearSite();
    m_engine->setModified(true);
    m_engine->SaveSite(m_engine->siteName());
    setContributeShown(true);
}

void SiteBuilder::saveSite()
{
    if (!m_engine || m_engine->siteName().isEmpty())
        return;
    BusyCursor busy(m_prompts);
    m_engine->SaveSite(m_engine->siteName());
    // A saved Simtel definition's password becomes the one the program holds, so
    // closing the program writes it back rather than an older one over it.
    if (SubmissionRun::isSimtelSite(m_engine->siteName()))
        emit simtelPasswordEdited(m_engine->site().loginPassword);
    // The saved definition shows in the site list at once: a new site gets its row.
    if (!m_application.name().isEmpty())
        m_siteList.Rebuild(m_application.name());
    m_engine->setModified(false);
}

void SiteBuilder::deleteSite()
{
    if (!m_engine || m_engine->siteName().isEmpty())
        return;
    m_prompts.beep();
    if (!m_prompts.confirm(QStringLiteral("Delete This Site ?")))
        return;
    BusyCursor busy(m_prompts);
    setContributeShown(false);
    const auto shown = qScopeGuard([this] {
        emit catalogueChanged();
        emit siteShown();
    });
    m_engine->DeleteSite(m_engine->siteName());
    // The first remaining site is shown as it is on disk.
    m_engine->setModified(false);
    // No run may post to the deleted site, nor record it as posted.
    if (!m_application.name().isEmpty())
        m_siteList.Rebuild(m_application.name());
}

void SiteBuilder::edit(const std::function<void(SiteDefinition&)>& change)
{
    if (!m_engine)
        return;
    const QString password = m_engine->site().loginPassword;
    change(m_engine->site());
    m_engine->setModified(true);
    // The Simtel sites share one login password, which the program holds for its runs.
    const QString& name = m_engine->siteName();
    if (SubmissionRun::isSimtelSite(name) && m_engine->site().loginPassword != password)
        emit simtelPasswordEdited(m_engine->site().loginPassword);
}

void SiteBuilder::showAgain()
{
    emit siteShown();
}

void SiteBuilder::setUseZipFile(bool on)
{
    edit([on](SiteDefinition& d) {
        d.useZipFile = on;
        if (!on)
            d.addedText = AddedTextPlacement::Separate;
    });
}

void SiteBuilder::setAddedText(AddedTextPlacement placement)
{
    edit([placement](SiteDefinition& d) {
        d.addedText = d.useZipFile ? placement : AddedTextPlacement::Separate;
    });
}

void SiteBuilder::setFtpTls(int mode)
{
    edit([mode](SiteDefinition& d) { d.ftpTls = mode == 1 || mode == 2 ? mode : 0; });
}

std::array<QString, TranslationCount> SiteBuilder::translationFields() const
{
    std::array<QString, TranslationCount> fields = site().translations;
    for (int i = 0; i < TranslationCount; ++i)
        if (fields[size_t(i)].isEmpty())
            fields[size_t(i)] = SiteDefinition::standardValue(Translation(i));
    return fields;
}

void SiteBuilder::setTranslations(const std::array<QString, TranslationCount>& fields)
{
    if (!m_engine)
        return;
    // Filling an empty translation with its standard value sends the same text,
    // so only a field the user changed counts as an edit.
    const bool changed = fields != translationFields();
    m_engine->site().translations = fields;
    if (changed)
        m_engine->setModified(true);
}

bool SiteBuilder::loadDefaultScript(SiteScript script)
{
    if (!m_engine || !m_workspace || DefaultScripts::fileName(script).isEmpty())
        return false;
    m_prompts.beep();
    if (!m_prompts.confirm(QStringLiteral("Sure you want to do this?")))
        return false;
    const std::optional<QStringList> lines = DefaultScripts::load(m_workspace->DataDir(), script);
    if (!lines) {
        // The script keeps its text: emptied, a save would remove its file.
        m_prompts.error(QStringLiteral("Cannot open file %1")
                            .arg(m_workspace->DataDir() + DefaultScripts::fileName(script)));
        return false;
    }
    edit([&](SiteDefinition& d) { d.scripts[size_t(script)] = *lines; });
    emit scriptReplaced(script);
    return true;
}

QString SiteBuilder::testScript(SiteScript script)
{
    if (!m_engine)
        return {};
    const QString result = m_engine->Expand(site().scripts[size_t(script)].join(QStringLiteral("\r\n")),
                                            ExpandMode::Check);
    if (m_engine->ExpandError())
        return QStringLiteral("Script Error! -> [") + m_engine->ExpandErrorText() + u']';
    return result;
}
