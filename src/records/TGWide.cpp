#include "records/TGWide.h"

#include "records/ChooserList.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/TRegIni.h"
#include "records/WorkspacePath.h"

#include <QDir>
#include <QFile>

TGWide::TGWide(WorkspaceOwner& owner, const QString& baseDirectory, const QString& settingsFile)
    : m_owner(owner), m_settingsFile(settingsFile), m_baseDir(baseDirectory)
{
    if (!m_baseDir.endsWith(u'/'))
        m_baseDir += u'/';
    for (const auto& [path, name] : directories())
        this->*path = m_baseDir + QLatin1String(name);
    FileStore::setWorkspaceRoot(m_baseDir);
}

TGWide::~TGWide()
{
    m_engine.reset();
    m_regIni.reset();
    if (FileStore::workspaceRoot() == m_baseDir)
        FileStore::setWorkspaceRoot(QString());
}

QString TGWide::CompanyListFile() const
{
    return m_companiesDir + QStringLiteral("companies.dat");
}

QString TGWide::ApplicationListFile() const
{
    return m_dataDir + QStringLiteral("Applications.dat");
}

QStringList TGWide::usableNames(const QStringList& lines)
{
    QStringList names;
    names.reserve(lines.size());
    for (const QString& line : lines)
        if (WorkspacePath::isSafeName(line))
            names.append(line);
    return names;
}

const std::array<std::pair<QString TGWide::*, const char*>, 8>& TGWide::directories()
{
    // sites/ comes before sites/updates/, so each directory is made one level at a time.
    static const std::array<std::pair<QString TGWide::*, const char*>, 8> list = {{
        {&TGWide::m_dataDir, "data/"},
        {&TGWide::m_companiesDir, "companies/"},
        {&TGWide::m_catDir, "cat/"},
        {&TGWide::m_sitesDir, "sites/"},
        {&TGWide::m_updatesDir, "sites/updates/"},
        {&TGWide::m_filesDir, "files/"},
        {&TGWide::m_reportsDir, "reports/"},
        {&TGWide::m_imagesDir, "images/"},
    }};
    return list;
}

void TGWide::MakeDirectories()
{
    QDir base;
    for (const auto& [path, name] : directories()) {
        const QString& directory = this->*path;
        if (!QFileInfo::exists(directory))
            base.mkdir(directory); // a failure shows later, when a file is written there
    }
}

void TGWide::StartUp()
{
    if (!FileStore::readOnly())
        MakeDirectories();

    try {
        m_engine = m_owner.createEngineBuilder(*this);
        m_regIni = std::make_unique<TRegIni>(m_settingsFile);
    } catch (...) {
        // Without the program-wide objects the workspace stays empty.
        m_engine.reset();
        m_regIni.reset();
        return;
    }

    ChooserList& companies = m_owner.companyChooser();
    if (const auto lines = ListFile::loadIfExists(CompanyListFile())) {
        companies.setNames(usableNames(*lines));
        if (!companies.isEmpty()) {
            companies.setCurrentIndex(0);
            m_owner.loadSelectedCompany();
        }
    }

    if (!FileStore::readOnly() && !m_regIni->ConvertDone()) {
        ConvertOldApplicationLists();
        m_regIni->SetConvertDone();
    }

    LoadApplicationList();
    ChooserList& applications = m_owner.applicationChooser();
    if (!applications.isEmpty()) {
        applications.setCurrentIndex(0);
        m_owner.loadSelectedApplication();
    }

    m_engine->start();
}

void TGWide::ConvertOldApplicationLists()
{
    const ChooserList& companies = m_owner.companyChooser();
    if (companies.isEmpty())
        return;
    QStringList merged;
    QStringList oldFiles;
    for (const QString& company : companies.names()) {
        const QString oldFile = WorkspacePath::file(m_dataDir, company, QStringLiteral(" Apps.dat"));
        const auto lines = ListFile::loadIfExists(oldFile);
        if (!lines)
            continue;
        for (const QString& line : usableNames(*lines))
            if (!merged.contains(line, Qt::CaseInsensitive))
                merged.append(line);
        oldFiles.append(oldFile);
    }
    // The old lists go only once the merged list is safely written.
    if (!merged.isEmpty())
        ListFile::save(ApplicationListFile(), merged);
    for (const QString& oldFile : oldFiles)
        QFile::remove(oldFile);
}

void TGWide::LoadApplicationList()
{
    if (const auto lines = ListFile::loadIfExists(ApplicationListFile()))
        m_owner.applicationChooser().setNames(usableNames(*lines));
}

void TGWide::SaveApplicationList()
{
    ListFile::save(ApplicationListFile(), m_owner.applicationChooser().names());
}

void TGWide::SaveCompanyList()
{
    ListFile::save(CompanyListFile(), m_owner.companyChooser().names());
}
