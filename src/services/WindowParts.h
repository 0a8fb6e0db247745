#pragma once
// Small pieces every window of the application builds its controls with.

#include "platform/Dialogs.h"
#include "services/Translation.h"

#include <QFont>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QString>
#include <QWidget>

// Gives a new control its object name (what tests and the accessibility tree find it by) and
// hands it back, so a control is made, named and placed in one expression.
template <typename T> T* named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// The windows are laid out for Tahoma; where it is not installed the system's font takes its place
// at the same size.
inline QFont tahoma(int pixelSize, bool bold = false) {
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The "Restart Application?" question of the windows that change what a start reads; true for Yes.
inline bool AskRestartApplication() {
    return platform::dialogs().captionedMessageDialog(
               translate(QStringLiteral("Restart Application?")),
               platform::DialogKind::Confirmation,
               {translate(QStringLiteral("Yes")), translate(QStringLiteral("No"))},
               translate(QStringLiteral("Confirmation"))) == platform::IDYES;
}

// Moves a window without a title bar with the mouse: any button but the right one grabs it.
class TWindowDrag {
public:
    void Press(const QMouseEvent& event) {
        if (event.button() == Qt::RightButton)
            return;
        FFrom = event.globalPosition().toPoint();
        FActive = true;
    }
    void Move(QWidget& window, const QMouseEvent& event) {
        if (!FActive)
            return;
        const QPoint now = event.globalPosition().toPoint();
        window.move(window.pos() + (now - FFrom));
        FFrom = now;
    }
    void Release() { FActive = false; }
    bool Active() const { return FActive; }

private:
    bool FActive = false;
    QPoint FFrom;
};
