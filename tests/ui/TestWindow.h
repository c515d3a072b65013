#pragma once

#include "ui/TMainFrm.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QApplication>

// The real main window over a test's workspace, started and shown as the
// program shows it, with prompts that answer from the test's script.
struct TestWindow {
    FakePrompts prompts;
    TMainFrm frame;

    explicit TestWindow(TestWorkspace& ws) : frame(ws.path(), &prompts, ws.settingsFile())
    {
        frame.startUp();
        frame.show();
        QApplication::setActiveWindow(&frame);
    }
};
