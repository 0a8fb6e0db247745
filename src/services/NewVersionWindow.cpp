#include "services/NewVersionWindow.h"

#include "app/Images.h"
#include "platform/Shell.h"
#include "services/Site.h"
#include "services/Translation.h"
#include "services/WindowParts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int ClientWidth = 320;
constexpr int ClientHeight = 68;
constexpr int EdgeGap = 5;
constexpr int AnimationMs = 100;
constexpr int CountdownSeconds = 11;
int closeTickMs = 1000;

} // namespace

void TNewVer::setCloseTickForTests(int milliseconds) {
    closeTickMs = milliseconds > 0 ? milliseconds : 1000;
}

QString TNewVer::LinkTarget(const QString& downloadUrl) {
    // The address comes from the network: only web addresses go to the shell, never a local file
    // or another scheme's handler.
    const QUrl url(downloadUrl, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty())
        return downloadUrl;
    return SiteUrl(false, QStringLiteral("/"));
}

TNewVer::TNewVer(const QString& productName, const QString& latestVersion,
                 const QString& downloadUrl, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FDownloadUrl(downloadUrl), FMainWindow(mainWindow) {
    setObjectName(QStringLiteral("TNewVer"));
    // Shown without taking the focus from the main window; a tool window adds no task-bar entry.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The notice never keeps the program running once the main window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(ClientWidth, ClientHeight);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);

    Image1 = named(new QLabel(Panel1), "Image1");
    Image1->setFixedSize(60, 60);
    Image1->setAlignment(Qt::AlignCenter);

    Label1 = named(new QLabel(Panel1), "Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);

    Label2 = named(new QLabel(Panel1), "Label2");
    QFont underlined = Label2->font();
    underlined.setUnderline(true);
    Label2->setFont(underlined);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setAutoFillBackground(false);
    Label2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Label2->installEventFilter(this);

    Panel3 = named(new QFrame(Panel1), "Panel3");
    Panel3->setFixedWidth(22);
    Button1 = named(new QToolButton(Panel3), "Button1");
    Button1->setFixedSize(22, 22);
    Button1->setAutoRaise(true);
    Button1->setCursor(Qt::PointingHandCursor);
    QIcon close = NamedImage(QStringLiteral("close"));
    if (close.isNull())
        close = style()->standardIcon(QStyle::SP_TitleBarCloseButton);
    Button1->setIcon(close);
    auto* closeColumn = new QVBoxLayout(Panel3);
    closeColumn->setContentsMargins(0, 0, 0, 0);
    closeColumn->addWidget(Button1);
    closeColumn->addStretch();

    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(0, 2, 0, 2);
    middle->setSpacing(0);
    middle->addWidget(Label1);
    middle->addWidget(Label2, 1);

    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    row->addWidget(Image1, 0, Qt::AlignVCenter);
    row->addLayout(middle, 1);
    row->addWidget(Panel3);

    connect(Button1, &QToolButton::clicked, this, &TNewVer::Button1Click);

    TimerStart = named(new QTimer(this), "TimerStart");
    TimerStart->setInterval(1);
    connect(TimerStart, &QTimer::timeout, this, &TNewVer::TimerStartTimer);
    TimerClose = named(new QTimer(this), "TimerClose");
    TimerClose->setInterval(closeTickMs);
    connect(TimerClose, &QTimer::timeout, this, &TNewVer::TimerCloseTimer);
    TimerLink = named(new QTimer(this), "TimerLink");
    TimerLink->setInterval(100);
    connect(TimerLink, &QTimer::timeout, this, &TNewVer::TimerLinkTimer);

    FormCreate(productName, latestVersion);
    TimerStart->start();
    TimerClose->start();
    TimerLink->start();
}

TNewVer::~TNewVer() = default;

void TNewVer::FormCreate(const QString& productName, const QString& latestVersion) {
    const QIcon icon = QApplication::windowIcon().isNull() ? NamedImage(QStringLiteral("veltrino"))
                                                           : QApplication::windowIcon();
    Image1->setPixmap(icon.pixmap(48, 48));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(desk.x() + desk.width() - width() - EdgeGap, desk.y() + EdgeGap);
    Label1->setText(translate(QStringLiteral("UPDATE AVAILABLE")));
    Label2->setText(translate(QStringLiteral("Click to download")) + QLatin1Char(' ') +
                    productName + QLatin1Char(' ') + latestVersion);
}

void TNewVer::TimerStartTimer() {
    TimerStart->stop();
    // Fades in over the same 100 ms the platform's animated show takes.
    setWindowOpacity(0.0);
    show();
    FAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    FAnimation->setDuration(AnimationMs);
    FAnimation->setStartValue(0.0);
    FAnimation->setEndValue(1.0);
    FAnimation->start(QAbstractAnimation::DeleteWhenStopped);
    if (FMainWindow) {
        FMainWindow->activateWindow();
        FMainWindow->setFocus();
    }
}

void TNewVer::TimerCloseTimer() {
    if (--FCountdown > 0)
        return;
    TimerClose->stop();
    AnimateOut();
}

void TNewVer::AnimateOut() {
    if (!isVisible()) {
        close();
        return;
    }
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(AnimationMs);
    fade->setStartValue(windowOpacity());
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, [this] { close(); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void TNewVer::TimerLinkTimer() {
    const QPoint local = Label2->mapFromGlobal(QCursor::pos());
    SetLinkHover(Label2->rect().contains(local));
}

void TNewVer::SetLinkHover(bool hover) {
    QPalette palette = Label2->palette();
    const QPalette& colours = QApplication::palette();
    palette.setColor(QPalette::WindowText, hover ? colours.color(QPalette::Highlight)
                                                 : colours.color(QPalette::WindowText));
    Label2->setPalette(palette);
}

void TNewVer::Label2Click() {
    platform::shell().openUrl(QUrl(LinkTarget(FDownloadUrl)));
    close();
}

void TNewVer::Button1Click() {
    close();
}

void TNewVer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TNewVer::FormShow() {
    // A tool window has no task-bar button of its own: nothing more to hide here.
}

void TNewVer::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept(); // hides; the window lives until the program ends
}

void TNewVer::FormClose() {}

void TNewVer::mousePressEvent(QMouseEvent* event) {
    FDrag.Press(*event);
}

void TNewVer::mouseMoveEvent(QMouseEvent* event) {
    FDrag.Move(*this, *event);
}

void TNewVer::mouseReleaseEvent(QMouseEvent*) {
    FDrag.Release();
}

bool TNewVer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Label2)
        return QWidget::eventFilter(watched, event);
    // The link takes its own mouse events: pressing on it never starts a drag.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label2->rect().contains(mouse->position().toPoint()))
            Label2Click();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
