#include "ui/InputRules.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>
#include <functional>

namespace {

// Drops the key presses a rule refuses, before the field sees them.
class KeyDropper : public QObject {
public:
    KeyDropper(QObject* parent, std::function<bool(const QKeyEvent&)> drop)
        : QObject(parent), m_drop(std::move(drop))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && m_drop(static_cast<const QKeyEvent&>(*event)))
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(const QKeyEvent&)> m_drop;
};

// Swallows tool tips while hints are off.
class HintFilter : public QObject {
public:
    bool on = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!on && (event->type() == QEvent::ToolTip || event->type() == QEvent::WhatsThis))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

HintFilter* hintFilter()
{
    static HintFilter* filter = [] {
        auto* f = new HintFilter;
        f->setParent(qApp);
        qApp->installEventFilter(f);
        return f;
    }();
    return filter;
}

// Refuses an edit that makes the text longer than a limit, or that brings in a
// character outside a set. The edit is judged, not the whole text, so a loaded
// text that breaks the rule stays as loaded and still binds every later edit.
class InputValidator : public QValidator {
public:
    InputValidator(QLineEdit* field, int maxLength, bool digitsOnly, std::function<void()> refused)
        : QValidator(field), m_maxLength(maxLength), m_digitsOnly(digitsOnly), m_refused(std::move(refused)),
          m_shown(field->text())
    {
        connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_shown = text; });
    }

    // The next text is a loaded one: taken as it stands.
    bool loading = false;

    State validate(QString& input, int&) const override
    {
        if (loading || input == m_shown)
            return Acceptable;
        // What the edit brought in: the new text less what it shares with the
        // shown text at its start and end.
        const qsizetype shorter = std::min(input.size(), m_shown.size());
        qsizetype head = 0;
        while (head < shorter && input.at(head) == m_shown.at(head))
            ++head;
        qsizetype tail = 0;
        while (tail < shorter - head && input.at(input.size() - 1 - tail) == m_shown.at(m_shown.size() - 1 - tail))
            ++tail;
        const QStringView added = QStringView(input).mid(head, input.size() - head - tail);
        if (m_digitsOnly) {
            for (QChar c : added) {
                if (c < u'0' || c > u'9') {
                    if (m_refused)
                        m_refused();
                    return Invalid;
                }
            }
        }
        if (m_maxLength > 0 && input.size() > m_maxLength && input.size() > m_shown.size())
            return Invalid;
        return Acceptable;
    }

private:
    int m_maxLength;
    bool m_digitsOnly;
    std::function<void()> m_refused;
    QString m_shown; // the text before the edit being judged
};

} // namespace

namespace InputRules {

QLineEdit* newEdit(QWidget* parent, const char* name, const char* hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setToolTip(QLatin1String(hint));
    return edit;
}

void dropTypedCharacters(QWidget* field, const QString& chars)
{
    field->installEventFilter(new KeyDropper(field, [chars](const QKeyEvent& e) {
        return e.text().size() == 1 && chars.contains(e.text().front());
    }));
}

void limitLength(QLineEdit* field, int length)
{
    field->setValidator(new InputValidator(field, length, false, {}));
}

void showLoaded(QLineEdit* field, const QString& text)
{
    auto* rule = dynamic_cast<InputValidator*>(const_cast<QValidator*>(field->validator()));
    if (rule)
        rule->loading = true;
    field->setText(text);
    if (rule)
        rule->loading = false;
}

void digitsOnly(QLineEdit* field, int maxLength, std::function<void()> beep)
{
    field->setValidator(new InputValidator(field, maxLength, true, std::move(beep)));
}

void pickOnly(QComboBox* list)
{
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->lineEdit()->setReadOnly(true);
    const auto dropAll = [](const QKeyEvent& e) { return e.key() != Qt::Key_Tab && e.key() != Qt::Key_Backtab; };
    list->installEventFilter(new KeyDropper(list, dropAll));
    list->lineEdit()->installEventFilter(new KeyDropper(list->lineEdit(), dropAll));
}

void dropTypedSpaces(QLineEdit* field)
{
    dropTypedCharacters(field, QStringLiteral(" "));
}

void dropKeyPresses(QComboBox* chooser)
{
    chooser->installEventFilter(new KeyDropper(chooser, [](const QKeyEvent& e) {
        return e.key() != Qt::Key_Tab && e.key() != Qt::Key_Backtab;
    }));
}

} // namespace InputRules

namespace Hints {

void setEnabled(bool on)
{
    hintFilter()->on = on;
}

bool enabled()
{
    return hintFilter()->on;
}

} // namespace Hints
