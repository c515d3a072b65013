#pragma once

#include "workflow/MainModel.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <gtest/gtest.h>

// A main model over a workspace of its own, started as the program starts it.
class ModelFixture : public ::testing::Test {
protected:
    TestWorkspace ws;
    FakePrompts prompts;
    std::unique_ptr<MainModel> model;

    // Starts the model over the files as they are now, up to the window's first show.
    void start()
    {
        model.reset();
        model = std::make_unique<MainModel>(prompts, ws.path(), ws.settingsFile());
        model->startWorkspace();
        model->formShow();
    }

    CompanyRecord& company() { return model->company(); }
    ChooserList& companies() { return model->companyChooser(); }

    static QString s(const char* text) { return QString::fromLatin1(text); }
};
