#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <utility>

class ChooserList;
class TGWide;
class TRegIni;

// The engine builder, as the workspace sees it: created and started by the
// workspace's start-up, destroyed with the workspace.
class WorkspaceEngine {
public:
    virtual ~WorkspaceEngine() = default;
    // Loads the Site catalogue and the current site's categories and definition.
    virtual void start() = 0;
};

// What the workspace needs of the object that owns it (the main window's state).
class WorkspaceOwner {
public:
    virtual ~WorkspaceOwner() = default;
    virtual ChooserList& companyChooser() = 0;
    virtual ChooserList& applicationChooser() = 0;
    // Loads the Company record / Application record shown by the chooser.
    virtual void loadSelectedCompany() = 0;
    virtual void loadSelectedApplication() = 0;
    virtual std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide& workspace) = 0;
};

// The workspace: the directory tree next to the program file. Knows every
// directory path (each ending with "/"), creates what is missing, owns the
// engine builder and the per-user settings object, and keeps the company and
// application lists.
class TGWide {
public:
    // Sets the owner and the base directory; creates no directory and reads no file.
    // A settings file name replaces the per-user location of TRegIni (tests).
    TGWide(WorkspaceOwner& owner, const QString& baseDirectory, const QString& settingsFile = QString());
    ~TGWide();

    void StartUp();

    const QString& BaseDir() const { return m_baseDir; }
    const QString& DataDir() const { return m_dataDir; }
    const QString& CompaniesDir() const { return m_companiesDir; }
    const QString& CatDir() const { return m_catDir; }
    const QString& SitesDir() const { return m_sitesDir; }
    const QString& UpdatesDir() const { return m_updatesDir; }
    const QString& FilesDir() const { return m_filesDir; }
    const QString& ReportsDir() const { return m_reportsDir; }
    const QString& ImagesDir() const { return m_imagesDir; }

    QString CompanyListFile() const;
    QString ApplicationListFile() const;

    void MakeDirectories();
    void ConvertOldApplicationLists();
    void LoadApplicationList();
    void SaveApplicationList();
    void SaveCompanyList();

    WorkspaceEngine* engine() const { return m_engine.get(); }
    TRegIni* regIni() const { return m_regIni.get(); }

    // Names read from a list file that could not be used as file names are passed over.
    static QStringList usableNames(const QStringList& lines);

private:
    static const std::array<std::pair<QString TGWide::*, const char*>, 8>& directories();

    WorkspaceOwner& m_owner;
    QString m_settingsFile;
    QString m_baseDir;
    QString m_dataDir;
    QString m_companiesDir;
    QString m_catDir;
    QString m_sitesDir;
    QString m_updatesDir;
    QString m_filesDir;
    QString m_reportsDir;
    QString m_imagesDir;
    std::unique_ptr<WorkspaceEngine> m_engine;
    std::unique_ptr<TRegIni> m_regIni;
};
