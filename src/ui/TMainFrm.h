#pragma once

#include "engines/SiteDefinition.h"
#include "ui/TPageControl.h"

#include <QList>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class MainModel;
class PrintChooser;
struct PadImportRow;
class QAction;
class QComboBox;
class QMenu;
class QtUserPrompts;
class TApplicationPages;
class TCompanyPage;
class TSetupDlg;
class Tsimtellpassfrm;
class TSiteBuilderPage;
class TSitesPage;
class TSubmitPage;
class TVariablesFrm;
class UserPrompts;

// The main window: "Zentrel 2.13", fixed size, the menus, the four top-level
// tabs and their pages. Its controls show the model's records, lists and run.
class TMainFrm : public QMainWindow {
    Q_OBJECT
public:
    // baseDirectory holds the program file. prompts replaces the program's own
    // dialogs (tests); userSettingsFile replaces the per-user settings location.
    explicit TMainFrm(const QString& baseDirectory, UserPrompts* prompts = nullptr,
                      const QString& userSettingsFile = QString());
    ~TMainFrm() override;

    MainModel& model() { return *m_model; }
    UserPrompts& prompts();
    // Replaces the platform's print dialog (tests).
    void setPrintChooser(PrintChooser* chooser);

    // Runs the workspace start-up. Throws on failure.
    void startUp();

    TPageControl* mainTabs() const { return m_tabs; }
    QTabWidget* appInfoTabs() const { return m_appInfoTabs; }
    TCompanyPage* companyPage() const { return m_companyPage; }
    TApplicationPages* applicationPages() const { return m_appPages; }
    TVariablesFrm* variablePicker() const { return m_variables; }
    TSitesPage* sitesPage() const { return m_sitesPage; }
    TSubmitPage* submitPage() const { return m_submitPage; }
    QWidget* siteBuilderTab() const;
    TSiteBuilderPage* siteBuilderPage() const { return m_siteBuilder; }
    QComboBox* companyChooser() const;
    QComboBox* applicationChooser() const;
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }
    // A menu command by its object name.
    QAction* command(const char* objectName) const;

    // Brings the window to the front, restoring it when minimized.
    void bringToFront();
    // Runs a command; an error it raises is shown and the window stays usable.
    void runCommand(const std::function<void()>& command);
    // File, Settings.
    void settingsItemClick();
    // File, Update Data Files; the window closes after an update.
    void updateDataItemClick();
    // File, View Reports (also the "View Reports" button).
    void viewReportsClick();
    // Help, About; its "&D" opens the engine checker once the box has closed.
    void aboutItemClick();
    // The engine checker, modal.
    void engineCheckerClick();
    // File, "Default FTP Script" and "Default Email Scripts": the default script editor.
    void defaultScriptItemClick(SiteScript script);
    // File, "Import PAD File...": a PAD file on disk, after its preview.
    void importPadItemClick();
    // File, "Import PAD File from URL...": asks for the address, then fetches it
    // behind a progress window whose "Cancel" stops the fetch.
    void importPadUrlItemClick();
    // File, "Export PAD File...": the export dialog for the application shown.
    void exportPadItemClick();
    // "Save/Submit", "Skip" and "Cancel" on the "Submit" tab: the submission run.
    void submitBtnClick();
    void skipClick();
    void cancelClick();
    // Asked before the top-level tab changes; refused while a run is going.
    bool PageControl1Changing();
    // The mail setup dialog, made at start-up and filled before every run.
    TSetupDlg* setupDialog() const { return m_setupDlg; }
    // The Simtel password dialog, made at start-up and shown by a run that needs it.
    Tsimtellpassfrm* simtelPasswordDialog() const { return m_simtelDlg; }
    // "Print Log" on the "Submit" tab.
    void printLogClick();
    // Opens the help page at the topic of the control that has the focus.
    void contextHelp();
    // The help topic of a control: its own or its nearest container's; 0 for none.
    static int helpTopicOf(const QWidget* widget);

signals:
    // The window has been shown for the first time and its show steps have run.
    void firstShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildMenus();
    // The preview of a PAD import; true on "Import".
    bool padPreview(const QString& source, const QList<PadImportRow>& rows);
    QWidget* buildAppInfoTab();
    QWidget* buildSitesTab();
    QWidget* buildSubmitTab();
    QWidget* buildSiteBuilderTab();
    void mainTabChanged(int index);
    void postingChanged(bool posting);
    void formShow();

    std::unique_ptr<QtUserPrompts> m_ownPrompts;
    UserPrompts* m_prompts;
    std::unique_ptr<PrintChooser> m_ownPrintChooser;
    PrintChooser* m_printChooser;
    std::unique_ptr<MainModel> m_model;
    TPageControl* m_tabs = nullptr;
    QTabWidget* m_appInfoTabs = nullptr;
    TCompanyPage* m_companyPage = nullptr;
    TApplicationPages* m_appPages = nullptr;
    TVariablesFrm* m_variables = nullptr;
    TSitesPage* m_sitesPage = nullptr;
    TSubmitPage* m_submitPage = nullptr;
    TSiteBuilderPage* m_siteBuilder = nullptr;
    TSetupDlg* m_setupDlg = nullptr;
    Tsimtellpassfrm* m_simtelDlg = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_reportsItem = nullptr;
    // What a run locks, with the state each had before, restored when it ends.
    std::vector<std::pair<QAction*, bool>> m_lockedActions;
    std::vector<std::pair<QWidget*, bool>> m_lockedButtons;
    bool m_activated = false;
    bool m_redirecting = false; // a tab change the window makes itself
    bool m_shown = false;
};
