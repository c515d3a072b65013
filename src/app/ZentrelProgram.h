#pragma once

#include <QString>

#include <memory>

class TMainFrm;
class TSplashFrm;
class UserPrompts;

// Program start: splash, main window, workspace start-up. A failure anywhere
// closes the splash, shows "Unable to initialize Zentrel!" and gives no window.
namespace ZentrelProgram {

// Creates the main window and runs the start-up, with the splash shown
// meanwhile. Returns null after the failure message when start-up failed.
// prompts (tests) replaces the program's own dialogs, also for the failure message.
std::unique_ptr<TMainFrm> start(const QString& programDirectory, TSplashFrm& splash,
                                UserPrompts* prompts = nullptr,
                                const QString& settingsFile = QString());

// The whole program: hand-over to a running copy, start, event loop. Returns the exit code.
int run(const QString& programDirectory);

} // namespace ZentrelProgram
