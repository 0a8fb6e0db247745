#pragma once
// Modal boxes and pickers. Windows code never calls QMessageBox or QFileDialog directly: it goes
// through dialogs(), which the application points at the Qt implementation and tests at a double.

#include <QString>
#include <QStringList>

namespace platform {

// Message box flags as the callers pass them.
enum MessageFlags : int {
    MB_OK = 0,
    MB_ICONERROR = 16,
    MB_ICONWARNING = 48,
    MB_ICONINFORMATION = 64
};

enum class DialogKind { Warning, Error, Information, Confirmation };

// Button results; callers only test for IDYES.
enum DialogResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IDialogs {
public:
    virtual ~IDialogs() = default;

    // A modal box with one OK button; flags pick the icon.
    virtual void messageBox(const QString& text, const QString& caption, int flags) = 0;

    // The modal confirmation with Yes and No, whose button captions are replaced in order while
    // captions remain. Returns IDYES or IDNO.
    virtual int captionedMessageDialog(const QString& message, DialogKind kind,
                                       const QStringList& buttonCaptions, const QString& title) = 0;

    // The application's standard error box for an exception nobody handled.
    virtual void showException(const QString& message) = 0;

    // Several existing files; an empty list when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& filter) = 0;

    // One or several folders; an empty list when cancelled.
    virtual QStringList pickFolders(const QString& title, const QString& okCaption,
                                    bool multiple) = 0;

    // The folder the next folder picker opens in; empty leaves the choice to the platform.
    virtual void setPickerStartFolder(const QString& folder) { static_cast<void>(folder); }

    // The busy cursor, nested: every push is matched by a pop.
    virtual void pushBusyCursor() = 0;
    virtual void popBusyCursor() = 0;
};

// The current implementation. Never null: before one is installed a quiet one answers No and
// Cancel, so worker code called from a tool without a window cannot block.
IDialogs& dialogs();
// Installs an implementation the caller keeps alive; nullptr restores the quiet one.
void setDialogs(IDialogs* impl);

// Shows the busy cursor for the lifetime of the guard.
class BusyCursor {
public:
    BusyCursor() { dialogs().pushBusyCursor(); }
    ~BusyCursor() { dialogs().popBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Message box helper: two-part messages are joined by two carriage returns.
inline QString joinParts(const QString& first, const QString& second) {
    return first + QStringLiteral("\r\r") + second;
}

} // namespace platform
