#include "workflow/MainModel.h"

#include "engines/TEngBuild.h"
#include "records/UserPrompts.h"

MainModel::MainModel(UserPrompts& prompts, const QString& baseDirectory, const QString& userSettingsFile,
                     QObject* parent)
    : QObject(parent), m_prompts(prompts), m_baseDirectory(baseDirectory), m_userSettingsFile(userSettingsFile)
{
    if (!m_baseDirectory.endsWith(u'/'))
        m_baseDirectory += u'/';
}

MainModel::~MainModel()
{
    m_company.setWorkspace(nullptr);
    m_workspace.reset();
}

QString MainModel::settingsFile() const
{
    return ProgramSettings::fileIn(m_baseDirectory);
}

void MainModel::startWorkspace()
{
    m_workspace = std::make_unique<TGWide>(*this, m_baseDirectory, m_userSettingsFile);
    m_company.setWorkspace(m_workspace.get());
    m_workspace->StartUp();
}

TEngBuild* MainModel::engine() const
{
    return m_workspace ? dynamic_cast<TEngBuild*>(m_workspace->engine()) : nullptr;
}

void MainModel::formShow()
{
    m_settings.load(settingsFile());
    m_company.setChanged(false);
    if (TEngBuild* e = engine())
        e->setModified(false);
}

void MainModel::saveApplication()
{
    m_company.SaveCompany();
}

bool MainModel::closeQuery()
{
    const auto ask = [this](const QString& what) {
        m_prompts.beep();
        return m_prompts.askSave(QStringLiteral("Would you like to save %1?").arg(what));
    };
    if (m_company.changed()) {
        switch (ask(QStringLiteral("Changed Company Info"))) {
        case UserPrompts::Answer::Yes: m_company.SaveCompany(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return false;
        }
    }
    m_settings.saveLastAppLoaded(settingsFile());
    return true;
}

void MainModel::loadSelectedCompany()
{
    m_company.LoadCompany();
}

void MainModel::loadSelectedApplication()
{
    // The Application record itself is read by the application pages' model.
}

std::unique_ptr<WorkspaceEngine> MainModel::createEngineBuilder(TGWide& workspace)
{
    return std::make_unique<TEngBuild>(workspace, m_prompts);
}
