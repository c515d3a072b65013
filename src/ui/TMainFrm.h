#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class MainModel;
class QComboBox;
class QTabWidget;
class QtUserPrompts;
class TApplicationPages;
class TCompanyPage;
class TSitesPage;
class TVariablesFrm;
class UserPrompts;

// The main window: "Zentrel 2.13", fixed size, the four top-level tabs and the
// "App Info" pages. Its controls show the model's records and lists.
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

    // Runs the workspace start-up. Throws on failure.
    void startUp();

    QTabWidget* mainTabs() const { return m_tabs; }
    QTabWidget* appInfoTabs() const { return m_appInfoTabs; }
    TCompanyPage* companyPage() const { return m_companyPage; }
    TApplicationPages* applicationPages() const { return m_appPages; }
    TVariablesFrm* variablePicker() const { return m_variables; }
    TSitesPage* sitesPage() const { return m_sitesPage; }
    QWidget* siteBuilderTab() const { return m_siteBuilder; }
    QComboBox* companyChooser() const;
    QComboBox* applicationChooser() const;

    // Brings the window to the front, restoring it when minimized.
    void bringToFront();
    // Runs a command; an error it raises is shown and the window stays usable.
    void runCommand(const std::function<void()>& command);
    // File, Settings.
    void settingsItemClick();

signals:
    // The window has been shown for the first time and its show steps have run.
    void firstShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildMenus();
    QWidget* buildAppInfoTab();
    QWidget* buildSitesTab();
    void mainTabChanged(int index);
    void formShow();

    std::unique_ptr<QtUserPrompts> m_ownPrompts;
    UserPrompts* m_prompts;
    std::unique_ptr<MainModel> m_model;
    QTabWidget* m_tabs = nullptr;
    QTabWidget* m_appInfoTabs = nullptr;
    TCompanyPage* m_companyPage = nullptr;
    TApplicationPages* m_appPages = nullptr;
    TVariablesFrm* m_variables = nullptr;
    TSitesPage* m_sitesPage = nullptr;
    QWidget* m_siteBuilder = nullptr;
    bool m_activated = false;
    bool m_redirecting = false; // a tab change the window makes itself
    bool m_shown = false;
};
