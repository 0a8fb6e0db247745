#include "services/AboutBox.h"

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/TickCount.h"
#include "services/AboutRules.h"
#include "services/Site.h"
#include "services/Translation.h"
#include "services/WindowParts.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

constexpr int ClientWidth = 446;
constexpr int ClientHeight = 374;
constexpr int RainIntervalMs = 50;
constexpr int EggStepPixels = 5;
constexpr int EggBaseIntervalMs = 5;

// The Info button's last drop-down, shared by every about window of the process.
TDropDownMemory& dropDownMemory() {
    static TDropDownMemory memory;
    return memory;
}

// Renders a picture of our own stretched to the size, sharp on the window's screen.
QPixmap renderPicture(const QString& resource, const QSize& size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

void openPage(bool secure, const QString& path) {
    platform::shell().openUrl(QUrl(SiteUrl(secure, path)));
}

} // namespace

// Draws the rain onto the window's backing image and collects the cells it touched.
class TAboutBox::TCanvasPainter final : public IRainCanvas {
public:
    TCanvasPainter(TAboutBox& box) : FBox(box), FPainter(&box.FCanvas) {}

    void EraseCell(int x, int y) override {
        const QRect cell(x, y, TRain::CharWidth, TRain::CharHeight);
        FPainter.fillRect(cell, Qt::black);
        FDirty += cell;
    }
    void DrawChar(QChar c, int x, int y, const TRainColour& colour) override {
        FPainter.drawImage(QPoint(x, y), FBox.Glyph(c, colour));
        FDirty += QRect(x, y, TRain::CharWidth, TRain::CharHeight);
    }
    const QRegion& Dirty() const { return FDirty; }

private:
    TAboutBox& FBox;
    QPainter FPainter;
    QRegion FDirty;
};

TAboutBox::TAboutBox(const QString& productName, const QString& versionText, const QIcon& appIcon,
                     QWidget* parent)
    : QDialog(parent), FProductName(productName), FVersionText(versionText) {
    setObjectName(QStringLiteral("AboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(tahoma(11));
    setFixedSize(ClientWidth, ClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FMenuPopper = [](QMenu* menu, const QPoint& at) { menu->exec(at); };
    CreateControls();
    FormCreate(appIcon);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::CreateControls() {
    PanelEgg = named(new QFrame(this), "PanelEgg");
    PanelEgg->setGeometry(0, 0, 324, 220);
    PanelEgg->setStyleSheet(QStringLiteral("background: black;"));
    PanelEgg->hide();
    ImageEgg = named(new QLabel(PanelEgg), "ImageEgg");
    ImageEgg->setGeometry(2, 0, 320, 220);
    ImageEgg->setScaledContents(true);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setGeometry(48, 42, 350, 291);
    Panel1->setAutoFillBackground(true);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    Panel1->setPalette(black);

    Image2 = named(new QLabel(Panel1), "Image2");
    Image2->setGeometry(2, 0, 346, 105);
    Image2->setScaledContents(true);

    IconFrame = named(new QFrame(Panel1), "IconFrame");
    IconFrame->setGeometry(10, 123, 34, 34);
    IconFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    VirtualImage1 = named(new QLabel(IconFrame), "VirtualImage1");
    VirtualImage1->setGeometry(1, 1, 32, 32);
    VirtualImage1->setScaledContents(true);

    Label2 = named(new QLabel(Panel1), "Label2");
    Label2->setGeometry(49, 122, 290, 40);
    Label2->setWordWrap(true);
    Label2->setFont(tahoma(16));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const QString buttonStyle =
        QStringLiteral("QPushButton { color: white; background: #141c1d; border: 1px solid #1f6f78;"
                       " border-radius: 3px; padding: 0 8px; }"
                       "QPushButton:hover { background: #1f3a3d; border-color: #5cc3cc; }"
                       "QPushButton:pressed { background: #1f6f78; }"
                       "QPushButton:focus { border-color: #5cc3cc; }");
    BitBtn1 = named(new QPushButton(Panel1), "BitBtn1");
    BitBtn1->setGeometry(49, 226, 122, 33);
    BitBtn2 = named(new QPushButton(Panel1), "BitBtn2");
    BitBtn2->setGeometry(177, 226, 122, 33);
    BitBtn2->setIcon(QIcon(QStringLiteral(":/windows/arrow.svg")));
    BitBtn2->setIconSize(QSize(16, 16));
    // The arrow belongs to the right of the caption, where a drop-down arrow is expected.
    BitBtn2->setLayoutDirection(Qt::RightToLeft);
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        button->setFont(tahoma(16));
        button->setStyleSheet(buttonStyle);
        button->setCursor(Qt::PointingHandCursor);
    }
    BitBtn1->setDefault(true);

    Label5 = named(new QLabel(Panel1), "Label5");
    QFont link = tahoma(13);
    link.setUnderline(true);
    Label5->setFont(link);
    Label5->setStyleSheet(QStringLiteral("color: lime;"));
    Label5->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    Label5->setGeometry(0, 291 - 22, 350, 20);
    Label5->setCursor(Qt::PointingHandCursor);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Credits1 = named(PopupMenu1->addAction(QString()), "Credits1");
    Howtouninstall1 = named(PopupMenu1->addAction(QString()), "Howtouninstall1");
    LicensePrivacyPolicy1 = named(PopupMenu1->addAction(QString()), "LicensePrivacyPolicy1");

    tmTimer = named(new QTimer(this), "tmTimer");
    tmTimer->setInterval(RainIntervalMs);
    TimerEgg = named(new QTimer(this), "TimerEgg");
    TimerEgg->setInterval(EggBaseIntervalMs);

    connect(tmTimer, &QTimer::timeout, this, &TAboutBox::tmTimerTimer);
    connect(TimerEgg, &QTimer::timeout, this, &TAboutBox::TimerEggTimer);
    connect(BitBtn1, &QPushButton::clicked, this, &TAboutBox::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TAboutBox::BitBtn2Click);
    connect(Credits1, &QAction::triggered, this, &TAboutBox::Credits1Click);
    connect(Howtouninstall1, &QAction::triggered, this, &TAboutBox::Howtouninstall1Click);
    connect(LicensePrivacyPolicy1, &QAction::triggered, this,
            &TAboutBox::LicensePrivacyPolicy1Click);

    // Every picture and label of the panel drags the window like its background does; the icon and
    // the hidden picture also take their double-clicks here, and the link its click.
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Image2),
                       static_cast<QWidget*>(VirtualImage1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(ImageEgg), static_cast<QWidget*>(Label5)})
        w->installEventFilter(this);
}

void TAboutBox::FormCreate(const QIcon& appIcon) {
    FRain.SetAlphabet(QStringLiteral("kes"));
    StartRain();
    QString caption = translate(QStringLiteral("About %s"));
    const qsizetype at = caption.indexOf(QStringLiteral("%s"));
    if (at >= 0)
        caption.replace(at, 2, FProductName);
    setWindowTitle(caption);
    Label2->setText(FProductName + QLatin1Char(' ') + FVersionText);
    BitBtn1->setText(translate(QStringLiteral("OK")));
    BitBtn2->setText(translate(QStringLiteral("Info")));
    Credits1->setText(translate(QStringLiteral("Acknowledgements...")));
    Howtouninstall1->setText(translate(QStringLiteral("How to uninstall...")));
    LicensePrivacyPolicy1->setText(translate(QStringLiteral("License...")));
    const QIcon icon = appIcon.isNull() ? QIcon(QStringLiteral(":/images/veltrino.svg")) : appIcon;
    VirtualImage1->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    const QString root = SiteUrl(true, QStringLiteral("/"));
    Label5->setText(QUrl(root).host());
    Label5->setToolTip(root);
    HighDPIImageYukle();
    PanelEgg->move((width() - PanelEgg->width()) / 2, (height() - PanelEgg->height()) / 2);
}

void TAboutBox::HighDPIImageYukle() {
    const qreal ratio = devicePixelRatioF();
    Image2->setPixmap(
        renderPicture(QStringLiteral(":/windows/kestrane-logo.svg"), {344, 105}, ratio));
    ImageEgg->setPixmap(renderPicture(QStringLiteral(":/windows/cat.svg"), {320, 214}, ratio));
}

// --- Rain

void TAboutBox::PrepareCanvas() {
    const qreal ratio = devicePixelRatioF();
    FCanvas = QImage(size() * ratio, QImage::Format_RGB32);
    FCanvas.setDevicePixelRatio(ratio);
    FGlyphs.clear();
}

void TAboutBox::StartRain() {
    FRain.ResetTick();
    const QSize outer = frameGeometry().size();
    FBitmapWidth = outer.width();
    FBitmapHeight = outer.height();
    PrepareCanvas();
    InitRain();
    tmTimer->start(RainIntervalMs);
}

void TAboutBox::InitRain() {
    if (FCanvas.size() != size() * devicePixelRatioF())
        PrepareCanvas();
    FCanvas.fill(Qt::black);
    FRain.InitRain(FBitmapWidth, FBitmapHeight);
    update();
}

QImage TAboutBox::Glyph(QChar c, const TRainColour& colour) {
    const quint64 key =
        (quint64(c.unicode()) << 32) | quint64(qRgb(colour.Red, colour.Green, colour.Blue));
    auto found = FGlyphs.constFind(key);
    if (found != FGlyphs.cend())
        return *found;
    const qreal ratio = FCanvas.devicePixelRatio();
    QImage glyph(QSize(TRain::CharWidth, TRain::CharHeight) * ratio, QImage::Format_RGB32);
    glyph.setDevicePixelRatio(ratio);
    glyph.fill(Qt::black);
    QPainter painter(&glyph);
    painter.setFont(tahoma(TRain::CharHeight));
    painter.setPen(QColor(colour.Red, colour.Green, colour.Blue));
    painter.drawText(QRect(0, 0, TRain::CharWidth, TRain::CharHeight),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString(c));
    painter.end();
    return *FGlyphs.insert(key, glyph);
}

void TAboutBox::RainStep() {
    QRegion dirty;
    {
        TCanvasPainter painter(*this);
        FRain.RainStep(painter);
        dirty = painter.Dirty();
    }
    // The panels cover the rain; repainting under them would cost without showing anything.
    dirty -= CoveredByPanels();
    if (!dirty.isEmpty())
        update(dirty);
}

QRegion TAboutBox::CoveredByPanels() const {
    QRegion covered;
    if (Panel1->isVisible())
        covered += Panel1->geometry();
    if (PanelEgg->isVisible())
        covered += PanelEgg->geometry();
    return covered;
}

void TAboutBox::tmTimerTimer() {
    RainStep();
}

void TAboutBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& r : event->region())
        painter.drawImage(r, FCanvas,
                          QRectF(QPointF(r.topLeft()) * FCanvas.devicePixelRatio(),
                                 QSizeF(r.size()) * FCanvas.devicePixelRatio()));
}

void TAboutBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    InitRain();
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWindow* window = windowHandle()) {
        connect(window, &QWindow::screenChanged, this, &TAboutBox::ScreenChanged,
                Qt::UniqueConnection);
        WatchScreen(window->screen());
    }
}

// A scale change on the same screen needs the same work as a move to another screen.
void TAboutBox::WatchScreen(QScreen* screen) {
    if (FWatchedScreen)
        disconnect(FWatchedScreen, nullptr, this, nullptr);
    FWatchedScreen = screen;
    if (!screen)
        return;
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &TAboutBox::DpiChanged);
    connect(screen, &QScreen::physicalDotsPerInchChanged, this, &TAboutBox::DpiChanged);
}

void TAboutBox::ScreenChanged(QScreen* screen) {
    WatchScreen(screen);
    DpiChanged();
}

void TAboutBox::DpiChanged() {
    StartRain();
    HighDPIImageYukle();
}

// --- Dragging

void TAboutBox::FormMouseDown(const QMouseEvent& event) {
    FDrag.Press(event);
}

void TAboutBox::FormMouseMove(const QMouseEvent& event) {
    FDrag.Move(*this, event);
}

void TAboutBox::FormMouseUp() {
    FDrag.Release();
}

void TAboutBox::mousePressEvent(QMouseEvent* event) {
    FormMouseDown(*event);
}
void TAboutBox::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove(*event);
}
void TAboutBox::mouseReleaseEvent(QMouseEvent*) {
    FormMouseUp();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label5) {
        // The link is a link, not a handle: its press is kept from the panel beneath, which
        // would start a drag, and its release opens the site.
        if (event->type() == QEvent::MouseButtonPress)
            return true;
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            Label5->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            Label5Click();
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        FormMouseDown(*static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseMove:
        FormMouseMove(*static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonRelease:
        FormMouseUp();
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == VirtualImage1)
            Image1DblClick();
        else if (watched == ImageEgg)
            ImageEggDblClick();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// --- Hidden picture

void TAboutBox::Image1DblClick() {
    if (TimerEgg->isActive())
        return;
    PanelEgg->show();
    PanelEgg->stackUnder(Panel1);
    // The system's scale is the primary screen's; the application's ratio would be the largest
    // of all screens.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const qreal screenDpi = 96.0 * (primary ? primary->devicePixelRatio() : 1.0);
    const qreal windowDpi = 96.0 * devicePixelRatioF();
    TimerEgg->start(EggTimerInterval(screenDpi, windowDpi));
}

void TAboutBox::TimerEggTimer() {
    Panel1->move(Panel1->x() + EggStepPixels, Panel1->y());
    if (Panel1->x() > width())
        TimerEgg->stop();
}

void TAboutBox::ImageEggDblClick() {
    if (TimerEgg->isActive())
        return;
    PanelEgg->hide();
    Panel1->move((width() - Panel1->width()) / 2, Panel1->y());
}

// --- Buttons, menu and links

void TAboutBox::BitBtn1Click() {
    close();
}

void TAboutBox::BitBtn2Click() {
    DropDownMenu(BitBtn2, PopupMenu1);
}

void TAboutBox::DropDownMenu(QPushButton* button, QMenu* menu) {
    TDropDownMemory& memory = dropDownMemory();
    if (memory.SwallowClick(button, menu, platform::GetTickCount()))
        return;
    FMenuPopper(menu, button->mapToGlobal(QPoint(0, button->height())));
    memory.MenuClosed(button, menu, platform::GetTickCount());
}

void TAboutBox::Label5Click() {
    openPage(true, QStringLiteral("/"));
}

void TAboutBox::Credits1Click() {
    openPage(true, QStringLiteral("/blog/credits-and-acknowledgements/"));
}

void TAboutBox::Howtouninstall1Click() {
    openPage(false, QStringLiteral("/blog/how-to-uninstall-kestrane-software/"));
}

void TAboutBox::LicensePrivacyPolicy1Click() {
    const QString path = platform::programFolder() + QStringLiteral("license.txt");
    if (QFileInfo(path).isFile())
        platform::shell().openInTextEditor(path);
    else
        platform::dialogs().messageBox(translate(QStringLiteral("File not found!")),
                                       translate(QStringLiteral("License")),
                                       platform::MB_ICONERROR);
}
