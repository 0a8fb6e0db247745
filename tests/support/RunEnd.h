#pragma once
// Waiting for the main window's conversion run to end, for the programs that drive the window
// outside a test (the benchmark, the screenshots).

#include "app/AppForm.h"

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

// Runs the event loop until the run has ended; the loop sleeps between events, so the waiting
// itself costs no processor time.
inline void WaitUntilRunEnded(TAppForm& form) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (form.Button1->text() == QStringLiteral("Convert"))
            loop.quit();
    });
    check.start(50);
    loop.exec();
}
