#pragma once

#include <QString>

#include <optional>

// Every message, question, beep, name dialog, file dialog and "open in browser"
// of the program goes through this interface. The program shows Qt dialogs;
// tests answer from a script and record what was shown.
class UserPrompts {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~UserPrompts() = default;

    virtual void beep() = 0;
    // Message boxes; each sounds the beep that goes with it.
    virtual void info(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
    // The "ERROR" window: two text lines and an instruction line, after a beep.
    // An empty instruction shows "Please click OK to continue...".
    virtual void errorWindow(const QString& first, const QString& second,
                             const QString& instruction = QString()) = 0;
    // "Yes" / "No".
    virtual bool confirm(const QString& text) = 0;
    // "Yes" / "No" / "Cancel".
    virtual Answer askSave(const QString& text) = 0;
    // A one-line name dialog with "Ok" and "Cancel"; nothing on "Cancel".
    virtual std::optional<QString> askName(const QString& title) = 0;
    // A file chooser; empty when cancelled.
    virtual QString openFile(const QString& title, const QString& filter,
                             const QString& defaultSuffix) = 0;
    // A file to write, the user confirming before one is replaced; empty when cancelled.
    virtual QString saveFile(const QString& title, const QString& filter, const QString& defaultSuffix) = 0;
    // Opens a web page or a local file in the user's browser; false when that failed.
    virtual bool openUrl(const QString& url) = 0;
    // The busy cursor, nested.
    virtual void setBusy(bool busy) = 0;
};

// Shows the busy cursor while it lives.
class BusyCursor {
public:
    explicit BusyCursor(UserPrompts& prompts) : m_prompts(prompts) { m_prompts.setBusy(true); }
    ~BusyCursor() { m_prompts.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserPrompts& m_prompts;
};
