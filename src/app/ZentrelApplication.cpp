#include "app/ZentrelApplication.h"

#include "records/ZentrelError.h"

#include <QMessageBox>

bool ZentrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const ZentrelError& e) {
        beep();
        QMessageBox::critical(activeWindow(), QStringLiteral("Zentrel"), e.text());
    } catch (const std::exception& e) {
        beep();
        QMessageBox::critical(activeWindow(), QStringLiteral("Zentrel"), QString::fromLocal8Bit(e.what()));
    }
    return false;
}
