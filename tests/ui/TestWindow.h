#pragma once

#include "ui/TMainFrm.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QApplication>
#include <QTimer>

#include <functional>

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

// Runs `open`, which shows a modal dialog, and `inside` on that dialog once it
// shows; the dialog is closed afterwards if `inside` left it open. False when none showed.
inline bool withModal(const std::function<void()>& open, const std::function<void(QWidget*)>& inside)
{
    bool seen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            watch.stop();
            seen = true;
            inside(modal);
            if (modal->isVisible())
                modal->close();
        }
    });
    watch.start(0);
    open();
    return seen;
}
