#pragma once

#include "engines/TEngBuild.h"
#include "records/ChooserList.h"
#include "records/TGWide.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <gtest/gtest.h>

// A started workspace whose engine builder is a real TEngBuild.
class EngineFixture : public ::testing::Test, public WorkspaceOwner {
protected:
    TestWorkspace ws;
    FakePrompts prompts;
    ChooserList companies{ChooserList::Order::Sorted};
    ChooserList applications{ChooserList::Order::Added};
    std::unique_ptr<TGWide> workspace;
    TEngBuild* engine = nullptr;

    // Starts (or restarts) the workspace over the files as they are now.
    void start()
    {
        engine = nullptr;
        workspace.reset();
        workspace = std::make_unique<TGWide>(*this, ws.path(), ws.settingsFile());
        workspace->StartUp();
    }

    ChooserList& companyChooser() override { return companies; }
    ChooserList& applicationChooser() override { return applications; }
    void loadSelectedCompany() override {}
    void loadSelectedApplication() override {}
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide& w) override
    {
        auto e = std::make_unique<TEngBuild>(w, prompts);
        engine = e.get();
        return e;
    }

    static QString s(const char* text) { return QString::fromLatin1(text); }
};
