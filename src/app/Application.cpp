#include "app/Application.h"

#include "platform/Dialogs.h"
#include "platform/Exception.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception& e) {
        platform::dialogs().showException(e.message());
    } catch (const std::exception& e) {
        platform::dialogs().showException(QString::fromUtf8(e.what()));
    }
    return false;
}
