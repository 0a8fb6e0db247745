#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QDebug>

namespace platform {
namespace {

// Answers without showing anything; used until the application installs the real layer.
class QuietDialogs final : public IDialogs {
public:
    void messageBox(const QString& text, const QString& caption, int) override {
        qWarning().noquote() << caption << ":" << text;
    }
    int captionedMessageDialog(const QString& message, DialogKind, const QStringList&,
                               const QString&) override {
        qWarning().noquote() << "confirmation answered No:" << message;
        return IDNO;
    }
    void showException(const QString& message) override { qWarning().noquote() << message; }
    QStringList openFiles(const QString&, const QString&) override { return {}; }
    QStringList pickFolders(const QString&, const QString&, bool) override { return {}; }
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
};

class QuietShell final : public IShell {
public:
    bool openUrl(const QUrl&) override { return false; }
    bool showInFileManager(const QString&) override { return false; }
    bool exploreFolder(const QString&) override { return false; }
    bool showProperties(const QString&) override { return false; }
    bool openInTextEditor(const QString&) override { return false; }
    bool startDetached(const QString&, const QStringList&, const QString&) override {
        return false;
    }
    void beep() override {}
};

QuietDialogs quietDialogs;
QuietShell quietShell;
IDialogs* currentDialogs = &quietDialogs;
IShell* currentShell = &quietShell;

} // namespace

IDialogs& dialogs() {
    return *currentDialogs;
}
void setDialogs(IDialogs* impl) {
    currentDialogs = impl ? impl : &quietDialogs;
}

IShell& shell() {
    return *currentShell;
}
void setShell(IShell* impl) {
    currentShell = impl ? impl : &quietShell;
}

} // namespace platform
