#pragma once

#include "records/UserPrompts.h"

#include <QStringList>

#include <deque>

// Answers from queues and records every prompt shown, one line each:
// "beep", "info: ...", "error: ...", "errorWindow: first | second | instruction",
// "confirm: ...", "askSave: ...", "askName: title", "openFile: title", "saveFile: title", "openUrl: url".
class FakePrompts : public UserPrompts {
public:
    QStringList shown;
    std::deque<bool> confirmAnswers;      // default when empty: No
    std::deque<Answer> saveAnswers;       // default when empty: Cancel
    std::deque<std::optional<QString>> names; // default when empty: Cancel
    std::deque<QString> files;            // default when empty: cancelled
    std::deque<QString> saveFiles;        // default when empty: cancelled
    bool openUrlResult = true;
    int busyDepth = 0;

    void beep() override;
    void info(const QString& text) override;
    void error(const QString& text) override;
    void errorWindow(const QString& first, const QString& second, const QString& instruction) override;
    bool confirm(const QString& text) override;
    Answer askSave(const QString& text) override;
    std::optional<QString> askName(const QString& title) override;
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;
    QString saveFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;
    bool openUrl(const QString& url) override;
    void setBusy(bool busy) override;

    // The recorded lines other than beeps.
    QStringList messages() const;
};
