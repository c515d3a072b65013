#pragma once

#include <QApplication>

// The program's application object: an error that a command raised and did
// not handle is shown to the user, and the program goes on.
class ZentrelApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};
