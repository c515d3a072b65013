#include "ui/QtPrintChooser.h"

#include <QPrintDialog>
#include <QPrinter>

bool QtPrintChooser::choose(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
