#include "workflow/MainModel.h"

#include "engines/TEngBuild.h"

MainModel::MainModel(UserPrompts& prompts, const QString& baseDirectory, const QString& settingsFile,
                     QObject* parent)
    : QObject(parent), m_prompts(prompts), m_baseDirectory(baseDirectory), m_settingsFile(settingsFile)
{
}

MainModel::~MainModel()
{
    m_engine = nullptr;
    m_workspace.reset();
}

void MainModel::startWorkspace()
{
    m_workspace = std::make_unique<TGWide>(*this, m_baseDirectory, m_settingsFile);
    m_workspace->StartUp();
}

void MainModel::loadSelectedCompany()
{
    // The Company record itself is read by the company page's model.
}

void MainModel::loadSelectedApplication()
{
    // The Application record itself is read by the application pages' model.
}

std::unique_ptr<WorkspaceEngine> MainModel::createEngineBuilder(TGWide& workspace)
{
    auto engine = std::make_unique<TEngBuild>(workspace, m_prompts);
    m_engine = engine.get();
    return engine;
}
