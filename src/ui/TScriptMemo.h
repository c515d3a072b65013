#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// A several-line editor of a list of lines: a category list or a script.
class TScriptMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TScriptMemo(QWidget* parent = nullptr);

    // One line per editor line; a final line break adds no empty line, and an
    // empty editor has no line at all.
    QStringList lines() const;
    void setLines(const QStringList& lines);

    // Return and Enter do nothing: the text is typed as one line, wrapped for
    // display. Lines it was given stay lines.
    void setEnterIgnored(bool ignored) { m_enterIgnored = ignored; }
    bool enterIgnored() const { return m_enterIgnored; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_enterIgnored = false;
};
