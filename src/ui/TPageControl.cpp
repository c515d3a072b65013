#include "ui/TPageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    tabBar()->installEventFilter(this);
}

bool TPageControl::refused()
{
    return m_allowed && !m_allowed();
}

bool TPageControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != tabBar())
        return QTabWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int at = tabBar()->tabAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && at >= 0 && at != currentIndex() && refused())
            return true;
        break;
    }
    case QEvent::Wheel:
        if (count() > 1 && refused())
            return true;
        break;
    case QEvent::KeyPress:
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (refused())
                return true;
            break;
        default: break;
        }
        break;
    case QEvent::Shortcut: // a tab's mnemonic
        if (refused())
            return true;
        break;
    default: break;
    }
    return QTabWidget::eventFilter(watched, event);
}

void TPageControl::keyPressEvent(QKeyEvent* event)
{
    const bool pageKey = (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier);
    if (pageKey && count() > 1 && refused()) {
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}
