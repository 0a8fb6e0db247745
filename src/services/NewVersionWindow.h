#pragma once
// The small borderless notice in the top right corner that announces a new version, links to its
// download and goes away by itself. Created once per run; closing only hides it.

#include "services/WindowParts.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QTimer;
class QToolButton;
class QPropertyAnimation;

class TNewVer : public QWidget {
    Q_OBJECT
public:
    // mainWindow gets the keyboard focus back once the notice is shown.
    TNewVer(const QString& productName, const QString& latestVersion, const QString& downloadUrl,
            QWidget* mainWindow);
    ~TNewVer() override;

    // Tests shorten the countdown's tick (1000 ms); 0 restores it. Read when a window is created.
    static void setCloseTickForTests(int milliseconds);

    // The address the link opens: the download address when it is an http or https one, else the
    // maker's home page over plain http.
    static QString LinkTarget(const QString& downloadUrl);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Panel3 = nullptr;
    QToolButton* Button1 = nullptr;
    QTimer* TimerStart = nullptr;
    QTimer* TimerClose = nullptr;
    QTimer* TimerLink = nullptr;

    bool Dragging() const { return FDrag.Active(); }
    int Countdown() const { return FCountdown; }

public Q_SLOTS:
    void TimerStartTimer();
    void TimerCloseTimer();
    void TimerLinkTimer();
    void Label2Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const QString& productName, const QString& latestVersion);
    void FormShow();
    void FormClose();
    void AnimateOut();
    void SetLinkHover(bool hover);

    QString FDownloadUrl;
    QPointer<QWidget> FMainWindow;
    TWindowDrag FDrag;
    int FCountdown = 11;
    QPropertyAnimation* FAnimation = nullptr;
};
