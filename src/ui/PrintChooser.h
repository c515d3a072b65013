#pragma once

class QPrinter;
class QWidget;

// The print dialog: sets up the printer and says whether the user confirmed.
// The program shows the platform's dialog; tests answer with a printer of their own.
class PrintChooser {
public:
    virtual ~PrintChooser() = default;
    virtual bool choose(QPrinter& printer, QWidget* parent) = 0;
};
