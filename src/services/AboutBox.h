#pragma once
// The about window: the maker's logo, the application's icon and version, "OK" and the "Info"
// menu, the site link, a falling-characters rain around the panel, and a hidden picture that
// slides into view when the icon is double-clicked.

#include "services/Rain.h"
#include "services/WindowParts.h"

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QRegion>

#include <functional>

class QScreen;

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // Deletes itself when closed.
    TAboutBox(const QString& productName, const QString& versionText, const QIcon& appIcon,
              QWidget* parent = nullptr);
    ~TAboutBox() override;

    // Tests replace the blocking pop-up of the Info menu; the default runs the menu modally.
    using MenuPopper = std::function<void(QMenu* menu, const QPoint& globalPos)>;
    void SetMenuPopper(MenuPopper popper) { FMenuPopper = std::move(popper); }

    const TRain& Rain() const { return FRain; }
    const QImage& Canvas() const { return FCanvas; }
    bool Dragging() const { return FDrag.Active(); }

    void StartRain();
    void InitRain();
    void RainStep();
    void HighDPIImageYukle();
    void DropDownMenu(QPushButton* button, QMenu* menu);

public Q_SLOTS:
    void tmTimerTimer();
    void TimerEggTimer();
    void Image1DblClick();
    void ImageEggDblClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void Label5Click();
    void Credits1Click();
    void Howtouninstall1Click();
    void LicensePrivacyPolicy1Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TCanvasPainter;

    void CreateControls();
    void FormCreate(const QIcon& appIcon);
    void FormMouseDown(const QMouseEvent& event);
    void FormMouseMove(const QMouseEvent& event);
    void FormMouseUp();
    void ScreenChanged(QScreen* screen);
    void WatchScreen(QScreen* screen);
    void DpiChanged();
    void PrepareCanvas();
    QRegion CoveredByPanels() const;
    // One character's picture in one colour, drawn once and kept.
    QImage Glyph(QChar c, const TRainColour& colour);

public:
    QFrame* PanelEgg = nullptr;
    QLabel* ImageEgg = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Image2 = nullptr;
    QFrame* IconFrame = nullptr;
    QLabel* VirtualImage1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLabel* Label5 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Credits1 = nullptr;
    QAction* Howtouninstall1 = nullptr;
    QAction* LicensePrivacyPolicy1 = nullptr;
    QTimer* tmTimer = nullptr;
    QTimer* TimerEgg = nullptr;

private:
    QString FProductName;
    QString FVersionText;
    TRain FRain;
    QImage FCanvas;
    QHash<quint64, QImage> FGlyphs;
    int FBitmapWidth = 0;
    int FBitmapHeight = 0;
    TWindowDrag FDrag;
    MenuPopper FMenuPopper;
    QPointer<QScreen> FWatchedScreen;
};
