#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TEngBuild;
class UserPrompts;

// One script file that fails to expand. Site, error text and path stay apart,
// so a row always leads back to the very file it was found in, whatever
// characters the site or the failing name hold.
struct CheckFinding {
    QString site;
    QString errorText;
    QString path;

    // The row as the error list shows it: the three columns separated by "±".
    QString rowText() const;
};

// The result of replacing a text throughout one script.
struct Replacement {
    QString text;
    qsizetype count = 0;  // occurrences replaced; none leaves the script as it was
    bool endless = false; // the change never comes to an end; the text is the old one
};

// The engine checker without its window: expands every script file of every
// site of the catalogue in check mode and lists the ones that fail, loads and
// saves one script, and replaces one text by another in all script files.
// Checking writes nothing; none of it touches the current Site definition.
class EngineChecker {
public:
    EngineChecker(TEngBuild& engine, UserPrompts& prompts);

    // Told true when a long operation starts and false when it has ended,
    // whichever way it ends, so a window can lock and unlock its controls.
    void setWorkingDisplay(std::function<void(bool working)> display) { m_display = std::move(display); }

    // Lists every script that fails to expand, in catalogue order and for each
    // site HTTP_NEW, HTTP_UPDATE, FTP_NEW, EMAIL_NEW, EMAIL_UPDATE; then loads
    // the first one, or tells the user that none failed. A file that cannot be
    // read ends the check with its message, keeping the rows found so far; false then.
    bool beginChecking();
    const QList<CheckFinding>& findings() const { return m_findings; }

    // Loads the script of a finding. False, with the message, when it cannot be
    // read; no script is loaded then, so nothing can be saved over it.
    bool loadFinding(int row);
    // The loaded script's file (empty when none) and its text as the editor shows it.
    const QString& fileName() const { return m_fileName; }
    const QString& script() const { return m_script; }
    int loadedRow() const { return m_loadedRow; }

    // Writes the editor's text to the loaded script's file, one line per line.
    // A file holding a NUL byte is left as it is, since only the part before
    // that byte was loaded; the user is told. False when nothing was written.
    bool saveScript(const QString& editorText);

    // Replaces the from-text by the to-text in every script file of the
    // catalogue, rewriting only the files that held it, tells "Mass Change
    // Done!" and checks again. An empty from-text or equal texts change nothing;
    // a pair that would never end is refused with a message. False when nothing
    // was changed or a file error stopped the change.
    bool massChange(const QString& from, const QString& to);
    const QString& lastFrom() const { return m_from; }
    const QString& lastTo() const { return m_to; }

    // The mass change dialog takes a pair only with a from-text that differs from the to-text.
    static bool acceptable(const QString& from, const QString& to);
    // Why a pair is refused because its change never ends, or nothing.
    static std::optional<QString> endlessChangeMessage(const QString& from, const QString& to);

    // Replaces the first occurrence of `from` and looks again from the start of
    // the text, until `from` occurs nowhere. The work is linear in the text.
    static Replacement replaceAll(const QString& text, const QString& from, const QString& to);

    // A script file's text as the editor shows it: the lines joined by CR LF.
    static QString scriptText(const QStringList& lines);
    // The same straight from the file's bytes, as the list reader reads them
    // (up to a NUL byte; CR, LF or CR LF ends a line).
    static QString scriptText(const QByteArray& bytes);
    // The editor's lines; a line break ends a line, so an empty text has none.
    static QStringList editorLines(const QString& text);

private:
    class Working;

    void check();
    // Calls `visit` with every script file of every catalogue site that exists,
    // and its bytes.
    void forEachScript(const std::function<void(const QString& site, const QString& path,
                                                const QByteArray& bytes)>& visit) const;
    // No script is loaded in the editor any more.
    void forgetLoaded();

    TEngBuild& m_engine;
    UserPrompts& m_prompts;
    std::function<void(bool)> m_display;
    QList<CheckFinding> m_findings;
    QString m_fileName;
    QString m_script;
    int m_loadedRow = -1;
    QString m_from;
    QString m_to;
};
