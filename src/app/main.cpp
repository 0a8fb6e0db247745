#include "app/AppForm.h"
#include "app/Application.h"
#include "platform/NamedMutex.h"
#include "platform/QtPlatform.h"

#include <QMenuBar>
#include <QScreen>
#include <QStyle>

int main(int argc, char** argv) {
    // Created and held for the process's life; whether another copy holds it is not examined.
    const platform::NamedMutex mutex(QStringLiteral("KESTRANE_Veltrino"));
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrino"));
    QApplication::setDesktopFileName(QStringLiteral("veltrino"));
    platform::QtDialogs dialogs;
    platform::QtShell shell;
    platform::setDialogs(&dialogs);
    platform::setShell(&shell);

    TAppForm form;
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(),
                                         form.screen()->availableGeometry()));
    form.show();
    const int result = app.exec();
    platform::setDialogs(nullptr);
    platform::setShell(nullptr);
    return result;
}
