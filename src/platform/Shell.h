#pragma once
// Desktop shell services: opening files and addresses, the file manager, beeps and starting
// programs. Replaceable so tests record the calls instead of opening anything.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

class IShell {
public:
    virtual ~IShell() = default;
    // Opens a file with its default application, or an address in the browser.
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens the file manager with the file selected (or at least its folder).
    virtual bool showInFileManager(const QString& filePath) = 0;
    // Opens a folder in the file manager.
    virtual bool exploreFolder(const QString& folderPath) = 0;
    // Shows the properties of a file.
    virtual bool showProperties(const QString& filePath) = 0;
    // Opens a text file in the desktop's text editor.
    virtual bool openInTextEditor(const QString& filePath) = 0;
    // Starts a program detached from this process, in workingFolder when one is given (else in
    // ours).
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder = {}) = 0;
    // The default beep.
    virtual void beep() = 0;
};

IShell& shell();
void setShell(IShell* impl);

} // namespace platform
