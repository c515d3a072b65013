#pragma once

#include "records/UserPrompts.h"

#include <QTextStream>

// The prompts of a run from a script: messages go to standard error, and every
// question is answered as a careful user would who has nothing unsaved and
// does not want a browser opened: No.
class ConsolePrompts : public UserPrompts {
public:
    ConsolePrompts();

    void beep() override {}
    void info(const QString& text) override;
    void error(const QString& text) override;
    void errorWindow(const QString& first, const QString& second, const QString& instruction) override;
    bool confirm(const QString& text) override;
    Answer askSave(const QString& text) override;
    std::optional<QString> askName(const QString& title) override;
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;
    QString saveFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;
    bool openUrl(const QString& url) override;
    void setBusy(bool) override {}

    // How many messages were shown.
    int messages() const { return m_messages; }

private:
    void say(const QString& text);

    QTextStream m_err;
    int m_messages = 0;
};
