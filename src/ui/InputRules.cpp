#include "ui/InputRules.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

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

} // namespace

namespace InputRules {

void dropTypedSpaces(QLineEdit* field)
{
    field->installEventFilter(
        new KeyDropper(field, [](const QKeyEvent& e) { return e.text() == QStringLiteral(" "); }));
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
