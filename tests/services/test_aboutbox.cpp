// The about window: its texts, the rain on its canvas, the hidden picture, dragging, the Info
// menu's re-click rule and the pages and document it opens.
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "platform/Paths.h"
#include "platform/TickCount.h"
#include "services/AboutBox.h"
#include "services/Site.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// An about window shown without blocking; its Info menu records instead of popping up.
struct AboutFixture {
    ScriptedPlatform scripted;
    QPointer<TAboutBox> box;
    QList<QPoint> menuPopups;
    quint32 now = 1000;

    AboutFixture() {
        platform::setTickSource([this] { return now; });
        box = new TAboutBox(QStringLiteral("Veltrino"), QStringLiteral("1.0"), QIcon());
        box->SetMenuPopper([this](QMenu*, const QPoint& at) { menuPopups.append(at); });
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.data()));
    }
    ~AboutFixture() {
        delete box.data();
        platform::setTickSource({});
    }
};

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, const QPoint& global) {
    const QPointF local = target->mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, QPointF(global), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

bool hasRainOutside(const QImage& canvas, const QRect& covered) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (!covered.contains(x, y) && (canvas.pixel(x, y) & 0xFFFFFF) != 0)
                return true;
    return false;
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void createdWithItsTextsTimersAndGrid() {
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Veltrino"));
        QCOMPARE(box.size(), QSize(446, 374));
        QCOMPARE(box.Label2->text(), QStringLiteral("Veltrino 1.0"));
        QCOMPARE(box.BitBtn1->text(), QStringLiteral("OK"));
        QCOMPARE(box.BitBtn2->text(), QStringLiteral("Info"));
        QCOMPARE(box.Credits1->text(), QStringLiteral("Acknowledgements..."));
        QCOMPARE(box.Howtouninstall1->text(), QStringLiteral("How to uninstall..."));
        QCOMPARE(box.LicensePrivacyPolicy1->text(), QStringLiteral("License..."));
        const QString root = SiteUrl(true, QStringLiteral("/"));
        QCOMPARE(box.Label5->text(), QUrl(root).host());
        QCOMPARE(box.Label5->toolTip(), root);
        QVERIFY(!box.VirtualImage1->pixmap().isNull());
        QVERIFY(!box.Image2->pixmap().isNull());
        QVERIFY(!box.ImageEgg->pixmap().isNull());
        QVERIFY(box.tmTimer->isActive());
        QCOMPARE(box.tmTimer->interval(), 50);
        QVERIFY(!box.TimerEgg->isActive());
        QVERIFY(box.PanelEgg->isHidden());
        QCOMPARE(box.PanelEgg->pos(), QPoint((446 - 324) / 2, (374 - 220) / 2));
        QCOMPARE(box.Panel1->geometry(), QRect(48, 42, 350, 291));
        QCOMPARE(box.Rain().MatrixWidth(), 55);
        QCOMPARE(box.Rain().MatrixHeight(), 31);
        QCOMPARE(int(box.Rain().Drops().size()), 110);
        QCOMPARE(box.Rain().Alphabet(), QStringLiteral("kes"));
    }

    void rainFallsAroundThePanel() {
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        QVERIFY(!hasRainOutside(box.Canvas(), QRect()));
        const quint32 before = box.Rain().Tick();
        QTRY_VERIFY_WITH_TIMEOUT(box.Rain().Tick() >= before + 3, 5000);
        QVERIFY(hasRainOutside(box.Canvas(), box.Panel1->geometry()));
        // A resize starts over from an empty black canvas.
        box.setFixedSize(400, 300);
        QVERIFY(!hasRainOutside(box.Canvas(), QRect()));
        QCOMPARE(box.Canvas().size(), QSize(400, 300));
    }

    void hiddenPictureSlidesOutAndBack() {
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        QTest::mouseDClick(box.VirtualImage1, Qt::LeftButton);
        QVERIFY(box.PanelEgg->isVisible());
        QVERIFY(box.TimerEgg->isActive());
        QCOMPARE(box.TimerEgg->interval(), 5);
        // Double-clicks while sliding change nothing: the slide is not restarted.
        const int sliding = box.Panel1->x();
        QTRY_VERIFY_WITH_TIMEOUT(box.Panel1->x() > sliding, 5000);
        const int later = box.Panel1->x();
        QTest::mouseDClick(box.VirtualImage1, Qt::LeftButton);
        QTest::mouseDClick(box.ImageEgg, Qt::LeftButton);
        QVERIFY(box.PanelEgg->isVisible());
        QVERIFY(box.Panel1->x() >= later);
        QTRY_VERIFY_WITH_TIMEOUT(!box.TimerEgg->isActive(), 10000);
        QVERIFY(box.Panel1->x() > box.width());
        QCOMPARE(box.Panel1->x() - 48, ((box.width() - 48) / 5 + 1) * 5);
        QTest::mouseDClick(box.ImageEgg, Qt::LeftButton);
        QVERIFY(box.PanelEgg->isHidden());
        QCOMPARE(box.Panel1->pos(), QPoint((446 - 350) / 2, 42));
    }

    void dragMovesTheWindowExceptWithTheRightButton_data() {
        QTest::addColumn<QString>("onto");
        QTest::newRow("window") << QString();
        QTest::newRow("panel") << QStringLiteral("Panel1");
        QTest::newRow("logo") << QStringLiteral("Image2");
        QTest::newRow("product line") << QStringLiteral("Label2");
    }
    void dragMovesTheWindowExceptWithTheRightButton() {
        QFETCH(QString, onto);
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        QWidget* target =
            onto.isEmpty() ? static_cast<QWidget*>(&box) : box.findChild<QWidget*>(onto);
        QVERIFY(target);
        const QPoint start = box.pos();
        const QPoint grip = target->mapToGlobal(QPoint(5, 5));
        sendMouse(target, QEvent::MouseButtonPress, Qt::RightButton, grip);
        QVERIFY(!box.Dragging());
        sendMouse(target, QEvent::MouseMove, Qt::NoButton, grip + QPoint(30, 20));
        QCOMPARE(box.pos(), start);
        sendMouse(target, QEvent::MouseButtonRelease, Qt::RightButton, grip);

        sendMouse(target, QEvent::MouseButtonPress, Qt::LeftButton, grip);
        QVERIFY(box.Dragging());
        sendMouse(target, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(30, 20));
        sendMouse(target, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(35, 10));
        QCOMPARE(box.pos(), start + QPoint(35, 10));
        sendMouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, grip + QPoint(35, 10));
        QVERIFY(!box.Dragging());
    }

    void siteLinkIsNoDragHandle() {
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        QTest::mousePress(box.Label5, Qt::LeftButton);
        QVERIFY(!box.Dragging());
        QVERIFY(fx.scripted.shell.calls.isEmpty());
        QTest::mouseRelease(box.Label5, Qt::LeftButton);
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
    }

    void infoMenuIgnoresTheClickThatClosedIt() {
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        box.BitBtn2->click();
        QCOMPARE(fx.menuPopups.size(), 1);
        QCOMPARE(fx.menuPopups.front(), box.BitBtn2->mapToGlobal(QPoint(0, box.BitBtn2->height())));
        // The menu closed at tick 1000 by a click on the button itself, 60 ms later.
        fx.now = 1060;
        box.BitBtn2->click();
        QCOMPARE(fx.menuPopups.size(), 1);
        // The next click opens it again, however soon.
        fx.now = 1070;
        box.BitBtn2->click();
        QCOMPARE(fx.menuPopups.size(), 2);
        // Closed at 1070; a click 100 ms later opens at once.
        fx.now = 1170;
        box.BitBtn2->click();
        QCOMPARE(fx.menuPopups.size(), 3);
    }

    void pagesOpenOverTheirSchemes_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("url");
        QTest::newRow("site link") << "Label5" << SiteUrl(true, QStringLiteral("/"));
        QTest::newRow("acknowledgements")
            << "Credits1" << SiteUrl(true, QStringLiteral("/blog/credits-and-acknowledgements/"));
        QTest::newRow("uninstall")
            << "Howtouninstall1"
            << SiteUrl(false, QStringLiteral("/blog/how-to-uninstall-kestrane-software/"));
    }
    void pagesOpenOverTheirSchemes() {
        QFETCH(QString, action);
        QFETCH(QString, url);
        AboutFixture fx;
        TAboutBox& box = *fx.box;
        if (action == QStringLiteral("Label5"))
            QTest::mouseClick(box.Label5, Qt::LeftButton);
        else
            box.findChild<QAction*>(action)->trigger();
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls.front().verb, QStringLiteral("open"));
        QCOMPARE(fx.scripted.shell.calls.front().target, url);
        QVERIFY(
            url.startsWith(action == QStringLiteral("Howtouninstall1") ? "http://" : "https://"));
    }

    void licenseOpensInTheEditorOrReportsItsAbsence() {
        QTemporaryDir programDir;
        platform::setProgramFolderForTests(programDir.path());
        {
            AboutFixture fx;
            fx.box->LicensePrivacyPolicy1->trigger();
            QVERIFY(fx.scripted.shell.calls.isEmpty());
            QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
            QCOMPARE(fx.scripted.dialogs.boxes.front().text, QStringLiteral("File not found!"));
            QCOMPARE(fx.scripted.dialogs.boxes.front().caption, QStringLiteral("License"));
            QCOMPARE(fx.scripted.dialogs.boxes.front().flags, 16);

            QFile license(programDir.filePath(QStringLiteral("license.txt")));
            QVERIFY(license.open(QIODevice::WriteOnly));
            license.close();
            fx.box->LicensePrivacyPolicy1->trigger();
            QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
            QCOMPARE(fx.scripted.shell.calls.size(), 1);
            QCOMPARE(fx.scripted.shell.calls.front().verb, QStringLiteral("edit"));
            QCOMPARE(fx.scripted.shell.calls.front().target,
                     programDir.filePath(QStringLiteral("license.txt")));
        }
        platform::setProgramFolderForTests({});
    }

    void closesAndFreesItself_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << "ok";
        QTest::newRow("Escape on OK") << "escape-ok";
        QTest::newRow("Escape on Info") << "escape-info";
    }
    void closesAndFreesItself() {
        QFETCH(QString, how);
        AboutFixture fx;
        TAboutBox* box = fx.box.data();
        if (how == QStringLiteral("ok")) {
            box->BitBtn1->click();
        } else {
            QPushButton* button = how == QStringLiteral("escape-ok") ? box->BitBtn1 : box->BitBtn2;
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Escape);
        }
        QTRY_VERIFY_WITH_TIMEOUT(fx.box.isNull(), 5000);
    }
};

VELTRINO_TEST_MAIN(TestAboutBox)
#include "test_aboutbox.moc"
