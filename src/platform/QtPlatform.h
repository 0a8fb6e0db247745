#pragma once
// The real dialog and shell layers, on Qt widgets and the desktop's services.

#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace platform {

class QtDialogs final : public IDialogs {
public:
    void messageBox(const QString& text, const QString& caption, int flags) override;
    int captionedMessageDialog(const QString& message, DialogKind kind,
                               const QStringList& buttonCaptions, const QString& title) override;
    void showException(const QString& message) override;
    QStringList openFiles(const QString& title, const QString& filter) override;
    QStringList pickFolders(const QString& title, const QString& okCaption, bool multiple) override;
    void setPickerStartFolder(const QString& folder) override;
    void pushBusyCursor() override;
    void popBusyCursor() override;

private:
    QString FPickerStartFolder;
};

class QtShell final : public IShell {
public:
    bool openUrl(const QUrl& url) override;
    bool showInFileManager(const QString& filePath) override;
    bool exploreFolder(const QString& folderPath) override;
    bool showProperties(const QString& filePath) override;
    bool openInTextEditor(const QString& filePath) override;
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder = {}) override;
    void beep() override;
};

// Turns a filter in the "Name|*.a;*.b|Other|*.*" form into Qt's "Name (*.a *.b);;Other (*)".
QString qtFileFilter(const QString& pipeFilter);

} // namespace platform
