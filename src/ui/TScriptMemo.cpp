#include "ui/TScriptMemo.h"

#include <QKeyEvent>
#include <QTextDocument>

TScriptMemo::TScriptMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

QStringList TScriptMemo::lines() const
{
    // The raw text keeps a no-break space (byte 0xA0 of a script) as it is; only
    // the editor's own line breaks become line ends.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void TScriptMemo::setLines(const QStringList& lines)
{
    // A final empty line needs a line break of its own, which lines() takes back off.
    QString text = lines.join(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        text += u'\n';
    setPlainText(text);
}

void TScriptMemo::keyPressEvent(QKeyEvent* event)
{
    if (m_enterIgnored && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
