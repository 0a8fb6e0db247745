#include "app/Application.h"
#include "platform/QtPlatform.h"

#include <QLabel>

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    platform::QtDialogs dialogs;
    platform::QtShell shell;
    platform::setDialogs(&dialogs);
    platform::setShell(&shell);
    QLabel label(QStringLiteral("Veltrino"));
    label.show();
    return app.exec();
}
