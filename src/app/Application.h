#pragma once
// The application object: shows any exception that escapes an event handler in the standard
// error box and goes on, as a desktop program's users expect.

#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
