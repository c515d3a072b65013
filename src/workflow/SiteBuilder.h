#pragma once

#include "engines/SiteDefinition.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class ApplicationRecord;
class ApplicationSiteList;
class TEngBuild;
class TGWide;
class UserPrompts;

// What the "Site Builder" tab does with the current Site definition: choosing,
// adding, saving and deleting sites, the edits of its fields and their side
// rules, the field translations, default scripts and script tests. The tab
// shows the engine's definition and hands every edit here.
class SiteBuilder : public QObject {
    Q_OBJECT
public:
    SiteBuilder(ApplicationSiteList& siteList, const ApplicationRecord& application, UserPrompts& prompts,
                QObject* parent = nullptr);

    void setWorkspace(const TGWide* workspace, TEngBuild* engine);
    TEngBuild* engine() const { return m_engine; }

    // The combined catalogue, as the site selector lists it.
    QStringList siteNames() const;
    // The current site; empty while none is chosen.
    QString siteName() const;
    bool hasSite() const { return !siteName().isEmpty(); }
    // The current definition. Only while there is an engine.
    const SiteDefinition& site() const;
    bool modified() const;

    // "Contribute!" is offered for a site the user has just added.
    bool contributeShown() const { return m_contributeShown; }
    // A sent contribution takes the button away; the context menu still offers it.
    void setContributeShown(bool shown);

    // Loads the site as the current one, unedited.
    void selectSite(const QString& name);
    // The engine's site was put back from outside (after a run): the tab shows it again.
    void showAgain();
    // Entering the tab shows the first site when none is chosen yet.
    void enterTab();
    // Asks for a name until one is added or the user gives up, then writes the new site.
    void newSite();
    // Writes the current site and lets the application's site list follow it.
    void saveSite();
    // After the user's Yes, removes the current site; the first remaining one is shown.
    void deleteSite();

    // A field of the tab changed: the change is made and the definition is edited.
    void edit(const std::function<void(SiteDefinition&)>& change);
    // An added text file goes inside the zip only while the site wants a zip.
    void setUseZipFile(bool on);
    void setAddedText(AddedTextPlacement placement);
    // FTP_TLS from the "FTP encryption" choice: 0 none, 1 when offered, 2 required;
    // any other code is plain FTP.
    void setFtpTls(int mode);

    // What the translation fields show: each translation as it is, the standard
    // value for an empty one.
    std::array<QString, TranslationCount> translationFields() const;
    // Takes all the fields; a field the user changed edits the definition.
    void setTranslations(const std::array<QString, TranslationCount>& fields);

    // After the user's Yes, replaces the script with its default file. False when
    // nothing changed (No, or the file is missing, which is reported).
    bool loadDefaultScript(SiteScript script);

    // The script as it stands, expanded for checking, or "Script Error! -> [...]".
    QString testScript(SiteScript script);

signals:
    // Another site, or none, is shown: every field shows the definition again.
    void siteShown();
    // Sites were added or removed.
    void catalogueChanged();
    // One script was replaced as a whole.
    void scriptReplaced(SiteScript script);
    void contributeShownChanged(bool shown);
    // "Login Password:" was edited, or the definition saved, while a Simtel site is shown.
    void simtelPasswordEdited(const QString& password);

private:
    ApplicationSiteList& m_siteList;
    const ApplicationRecord& m_application;
    UserPrompts& m_prompts;
    const TGWide* m_workspace = nullptr;
    TEngBuild* m_engine = nullptr;
    bool m_contributeShown = false;
};
