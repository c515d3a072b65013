#include "ui/InputRules.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

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

// Refuses input longer than a limit, or with a character outside a set.
class InputValidator : public QValidator {
public:
    InputValidator(QObject* parent, int maxLength, bool digitsOnly, std::function<void()> refused)
        : QValidator(parent), m_maxLength(maxLength), m_digitsOnly(digitsOnly), m_refused(std::move(refused))
    {
    }

    State validate(QString& input, int&) const override
    {
        if (m_digitsOnly) {
            for (QChar c : input) {
                if (c < u'0' || c > u'9') {
                    if (m_refused)
                        m_refused();
                    return Invalid;
                }
            }
        }
        return m_maxLength > 0 && input.size() > m_maxLength ? Invalid : Acceptable;
    }

private:
    int m_maxLength;
    bool m_digitsOnly;
    std::function<void()> m_refused;
};

} // namespace

namespace InputRules {

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
