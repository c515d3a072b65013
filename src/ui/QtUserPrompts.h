#pragma once

#include "records/UserPrompts.h"

#include <QPointer>
#include <QWidget>

// The program's own prompts: Qt dialogs over the main window.
class QtUserPrompts : public UserPrompts {
public:
    void setParentWindow(QWidget* window) { m_parent = window; }

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

private:
    QPointer<QWidget> m_parent;
};
