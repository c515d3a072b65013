#pragma once

#include "ui/PrintChooser.h"

// The platform's print dialog.
class QtPrintChooser : public PrintChooser {
public:
    bool choose(QPrinter& printer, QWidget* parent) override;
};
