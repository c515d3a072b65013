#pragma once

#include "records/ApplicationRecord.h"
#include "records/ChooserList.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"
#include "engines/TEngBuild.h"
#include "records/TGWide.h"
#include "services/SimtelRequest.h"
#include "submit/ApplicationSiteList.h"
#include "submit/EmailPosting.h"
#include "submit/FtpPosting.h"
#include "submit/SubmissionRun.h"
#include "submit/SubmitDisplays.h"
#include "workflow/PadExporter.h"
#include "workflow/PadImporter.h"
#include "workflow/SiteBuilder.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class TReportsFrm;
class UserPrompts;

// The program's state behind the main window: the choosers' lists, the
// workspace and the program-wide objects. The window binds its controls to it;
// every rule lives here so it can be exercised without a screen.
class MainModel : public QObject, public WorkspaceOwner {
    Q_OBJECT
public:
    // baseDirectory holds the program file; userSettingsFile replaces the per-user
    // settings location (tests).
    MainModel(UserPrompts& prompts, const QString& baseDirectory,
              const QString& userSettingsFile = QString(), QObject* parent = nullptr);
    ~MainModel() override;

    // Creates the workspace and runs its start-up. Throws on failure.
    void startWorkspace();

    UserPrompts& prompts() { return m_prompts; }
    TGWide& workspace() { return *m_workspace; }
    bool hasWorkspace() const { return m_workspace != nullptr; }
    // The engine builder; null when the workspace could not create it.
    TEngBuild* engine() const;

    CompanyRecord& company() { return m_company; }
    ApplicationRecord& application() { return m_application; }
    ApplicationSiteList& siteList() { return m_siteList; }
    ProgramSettings& settings() { return m_settings; }
    // What the "Site Builder" tab does with the current Site definition.
    SiteBuilder& siteBuilder() { return m_siteBuilder; }
    // What the "Submit" tab shows of a run, and the posting state.
    SubmitDisplays& displays() { return m_displays; }
    // The report writer, for the whole program; it carries one run at a time.
    TReportsFrm& reports() { return *m_reports; }
    bool Posting() const { return m_displays.Posting(); }
    // The submission run behind "Save/Submit", "Skip" and "Cancel".
    SubmissionRun& run() { return *m_run; }
    // The run's e-mail method.
    EmailPosting& emailPosting() { return *m_emailPosting; }
    FtpPosting& ftpPosting() { return *m_ftpPosting; }
    // "Import PAD File..." and "Export PAD File..." of the "File" menu.
    PadImporter& padImporter() { return m_padImporter; }
    PadExporter& padExporter() { return m_padExporter; }
    // The Simtel upload request and the Simtel password it takes.
    SimtelRequest& simtelRequest() { return *m_simtelRequest; }
    // "settings.dat" in the program folder.
    QString settingsFile() const;

    // The first show of the main window: loads the settings, selects the
    // application last worked on and clears the changed marks.
    void formShow();
    // For a run from a script: the settings, then the named application (any
    // case) with its company and site list as stored, nothing marked changed.
    // False when no application has that name.
    bool openApplication(const QString& name);
    // "Save Application": the application's files, then the company.
    void saveApplication();
    // "New": asks for a name, then saves the new record as "Save Application" does.
    void newApplication();
    // Selects the listed application by name, ignoring case, and loads it.
    void selectApplication(const QString& name);
    // "Save Site": writes the current Site definition and rebuilds the
    // application's site list from it. Nothing without a current site.
    void saveSite();
    // Asks about unsaved changes before the window closes and writes LastAppLoaded;
    // false when the window stays open: "Cancel", or a run is going.
    bool closeQuery();
    // Before a data file update, after which the window closes without asking:
    // the closing questions, each "Yes" saving; false on "Cancel" or while a run is going.
    bool dataUpdateQuery();
    // Before another application is loaded in place of the one shown: the
    // questions about the company, the application and its site list, each
    // "Yes" saving; false on "Cancel" or while a run is going.
    bool recordsSaveQuery();
    // The window is closing for good: the held Simtel password goes back into
    // the Simtel site definitions.
    void windowClosing();
    // After a data file update: tells the user to restart, then the window closes
    // without a question and without writing LastAppLoaded.
    void restartAfterUpdate();
    bool closeWithoutQuestions() const { return m_closeWithoutQuestions; }
    void setCloseWithoutQuestions(bool on) { m_closeWithoutQuestions = on; }
    // Asked before the user changes the top-level tab; false, after the message,
    // while a run is going.
    bool tabChangeAllowed();

    // The help page beside the program, "Zentrel.htm".
    QString helpFile() const;
    // Opens the help page at a topic (0: its top); a missing page is reported.
    void showHelp(int topic = 0);
    // The maker's pages on the web.
    static QString zentrelHomePage();
    static QString makerHomePage();
    void openPage(const QString& url);
    // False, after the message, when the run log has no line to print.
    bool hasLogToPrint();

    ChooserList& companyChooser() override { return m_companies; }
    ChooserList& applicationChooser() override { return m_applications; }
    void loadSelectedCompany() override;
    void loadSelectedApplication() override;
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide& workspace) override;

signals:
    // The window is to close now (after restartAfterUpdate).
    void closeRequested();

private:
    // Which closing question was answered "Cancel", if any.
    enum class ClosingAnswer { Go, CancelRecord, CancelSite };
    // Asks to save each changed record, the site list and the Site definition, in that order.
    ClosingAnswer askClosingQuestions(bool aboutSite = true);

    UserPrompts& m_prompts;
    QString m_baseDirectory;
    QString m_userSettingsFile;
    ChooserList m_companies{ChooserList::Order::Sorted};
    ChooserList m_applications{ChooserList::Order::Added};
    CompanyRecord m_company{m_companies, m_prompts};
    ProgramSettings m_settings;
    ApplicationRecord m_application{m_applications, m_company, m_settings, m_prompts};
    ApplicationSiteList m_siteList{m_application, m_settings, m_prompts};
    SiteBuilder m_siteBuilder{m_siteList, m_application, m_prompts};
    SubmitDisplays m_displays;
    std::unique_ptr<TReportsFrm> m_reports;
    std::unique_ptr<TGWide> m_workspace;
    std::unique_ptr<SubmissionRun> m_run;
    std::unique_ptr<EmailPosting> m_emailPosting;
    std::unique_ptr<FtpPosting> m_ftpPosting;
    std::unique_ptr<SimtelRequest> m_simtelRequest;
    // The site the Site Builder showed before a run, unsaved edits and all.
    std::optional<TEngBuild::State> m_siteBeforeRun;
    bool m_closeWithoutQuestions = false;
    PadImporter m_padImporter{*this};
    PadExporter m_padExporter{*this};
};
