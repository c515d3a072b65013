#include "app/ZentrelProgram.h"

#include "app/SingleInstance.h"
#include "records/ZentrelError.h"
#include "ui/QtUserPrompts.h"
#include "ui/TMainFrm.h"
#include "ui/TSplashFrm.h"

#include <QApplication>

namespace ZentrelProgram {

namespace {
const QString FailureMessage = QStringLiteral("Unable to initialize Zentrel!");
}

std::unique_ptr<TMainFrm> start(const QString& programDirectory, TSplashFrm& splash,
                                UserPrompts* prompts, const QString& settingsFile)
{
    std::unique_ptr<TMainFrm> window;
    try {
        window = std::make_unique<TMainFrm>(programDirectory, prompts, settingsFile);
        window->startUp();
    } catch (const std::exception& e) {
        window.reset();
        qWarning("Zentrel start-up failed: %s", e.what());
    }
    splash.waitForTimer();
    if (!window) {
        splash.close();
        QtUserPrompts own;
        (prompts ? *prompts : static_cast<UserPrompts&>(own)).error(FailureMessage);
        return nullptr;
    }
    QObject::connect(window.get(), &TMainFrm::firstShown, &splash, &QWidget::close);
    return window;
}

int run(const QString& programDirectory)
{
    SingleInstance instance(programDirectory);
    if (!instance.claim()) {
        if (!instance.busyElsewhere())
            return 0;
        // A submission from a script works in this folder: two copies must not write the same files.
        QtUserPrompts().error(QStringLiteral("Zentrel is submitting from a script in this folder. "
                                             "Start it again when that run has ended."));
        return 1;
    }

    QApplication::setApplicationName(QStringLiteral("Zentrel"));

    TSplashFrm splash;
    splash.show();
    splash.repaint(); // painted at once, before start-up keeps the event loop busy
    QApplication::processEvents();

    std::unique_ptr<TMainFrm> window = start(programDirectory, splash);
    if (!window)
        return 1;
    QObject::connect(&instance, &SingleInstance::bringToFrontRequested, window.get(),
                     &TMainFrm::bringToFront);
    window->show();
    // A copy started meanwhile has waited for this window to come forward.
    instance.setReady();
    return QApplication::exec();
}

} // namespace ZentrelProgram
