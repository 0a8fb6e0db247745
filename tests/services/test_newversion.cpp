#include "../app/AppFormFixture.h"
#include "platform/Curl.h"
#include "services/NewVersionWindow.h"
#include "services/ServerRequests.h"
#include "services/Site.h"
#include "services/UpdateCheck.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestNewVersion : public QObject {
    Q_OBJECT

    // Global positions are given: the window moves under the cursor while it is dragged.
    static void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button,
                          const QPoint& global) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    static std::unique_ptr<TNewVer> shownNotice(const QString& url, QWidget* mainWindow = nullptr) {
        auto window = std::make_unique<TNewVer>(QStringLiteral("Veltrino"), QStringLiteral("1.2"),
                                                url, mainWindow);
        if (!QTest::qWaitFor([&] { return window->isVisible(); }, 5000))
            qWarning("notice never shown");
        return window;
    }

private Q_SLOTS:
    void init() { TNewVer::setCloseTickForTests(0); }
    void cleanupTestCase() { TNewVer::setCloseTickForTests(0); }

    void placedTopRightAndGoneAfterItsCountdown() {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().width(), 1920);
        TNewVer::setCloseTickForTests(30);
        QElapsedTimer clock;
        clock.start();
        auto notice = shownNotice(QStringLiteral("https://dl.example/v"));
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->pos(), QPoint(1595, 5));
        QCOMPARE(notice->size(), QSize(320, 68));
        QVERIFY(notice->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(notice->windowType(), Qt::Tool); // no task-bar entry
        QCOMPARE(notice->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("UPDATE AVAILABLE"));
        QCOMPARE(notice->findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Click to download Veltrino 1.2"));
        QVERIFY(!notice->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 10000);
        // Eleven ticks of the countdown, then the 100 ms fade.
        QVERIFY(clock.elapsed() >= 11 * 30);
        QCOMPARE(notice->Countdown(), 0);
        QVERIFY(!notice->findChild<QTimer*>(QStringLiteral("TimerClose"))->isActive());
        QVERIFY(notice->findChild<QTimer*>(QStringLiteral("TimerLink"))->isActive());
    }

    void linkOpensOnlyWebAddresses_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("opened");
        const QString home = QStringLiteral("http://kestrane.example/");
        QTest::newRow("https") << "https://dl.example/veltrino-1.2.deb"
                               << "https://dl.example/veltrino-1.2.deb";
        QTest::newRow("http") << "http://dl.example/x?y=1"
                              << "http://dl.example/x?y=1";
        QTest::newRow("empty") << "" << home;
        QTest::newRow("local file") << "file:///etc/passwd" << home;
        QTest::newRow("bare path") << "/usr/bin/xterm" << home;
        QTest::newRow("script") << "javascript:alert(1)" << home;
        QTest::newRow("other scheme") << "ftp://dl.example/x" << home;
        QTest::newRow("no host") << "https:///x" << home;
    }
    void linkOpensOnlyWebAddresses() {
        QFETCH(QString, url);
        QFETCH(QString, opened);
        ScriptedPlatform scripted;
        auto notice = shownNotice(url);
        QLabel* link = notice->findChild<QLabel*>(QStringLiteral("Label2"));
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(scripted.shell.calls.size(), 1);
        QCOMPARE(scripted.shell.calls[0].verb, QStringLiteral("open"));
        QCOMPARE(scripted.shell.calls[0].target, opened);
        QTRY_VERIFY(!notice->isVisible());
    }

    void closeButtonOnlyHides() {
        ScriptedPlatform scripted;
        auto notice = shownNotice({});
        QPointer<TNewVer> alive(notice.get());
        notice->findChild<QToolButton*>(QStringLiteral("Button1"))->click();
        QTRY_VERIFY(!notice->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(alive);
        QVERIFY(scripted.shell.calls.isEmpty());
    }

    void dragging_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("left on the panel") << "Panel1" << int(Qt::LeftButton) << true;
        QTest::newRow("middle on the title") << "Label1" << int(Qt::MiddleButton) << true;
        QTest::newRow("left on the picture") << "Image1" << int(Qt::LeftButton) << true;
        QTest::newRow("left on the close strip") << "Panel3" << int(Qt::LeftButton) << true;
        QTest::newRow("right on the panel") << "Panel1" << int(Qt::RightButton) << false;
        QTest::newRow("left on the link") << "Label2" << int(Qt::LeftButton) << false;
    }
    void dragging() {
        QFETCH(QString, where);
        QFETCH(int, button);
        QFETCH(bool, moves);
        ScriptedPlatform scripted;
        auto notice = shownNotice({});
        QWidget* target = notice->findChild<QWidget*>(where);
        QVERIFY(target);
        const QPoint start = notice->pos();
        const QPoint at = target->mapToGlobal(QPoint(3, 3));
        const auto b = Qt::MouseButton(button);
        sendMouse(target, QEvent::MouseButtonPress, b, at);
        sendMouse(target, QEvent::MouseMove, b, at + QPoint(-40, 25));
        sendMouse(target, QEvent::MouseMove, b, at + QPoint(-100, 30));
        QCOMPARE(notice->pos(), moves ? start + QPoint(-100, 30) : start);
        sendMouse(target, QEvent::MouseButtonRelease, b, at + QPoint(-100, 30));
        QVERIFY(!notice->Dragging());
        const QPoint after = notice->pos();
        sendMouse(target, QEvent::MouseMove, Qt::NoButton, at + QPoint(50, 50));
        QCOMPARE(notice->pos(), after);
    }

    void mainWindowKeepsTheFocus() {
        QWidget main;
        main.setObjectName(QStringLiteral("main"));
        main.resize(300, 200);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        auto notice = shownNotice({}, &main);
        QTRY_COMPARE(QApplication::activeWindow(), &main);
        QVERIFY(notice->isVisible());
    }

    void linkColourFollowsTheCursor() {
        auto notice = shownNotice({});
        QLabel* link = notice->findChild<QLabel*>(QStringLiteral("Label2"));
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        QCursor::setPos(link->mapToGlobal(link->rect().center()));
        QTRY_COMPARE(link->palette().color(QPalette::WindowText), highlight);
        QCursor::setPos(QPoint(10, 500));
        QTRY_COMPARE(link->palette().color(QPalette::WindowText), text);
    }
};

int main(int argc, char** argv) {
    testenv::isolate();
    // A primary screen 1920 pixels wide at 96 dots per inch, from the offscreen platform's own
    // configuration file.
    const QString config = QDir::tempPath() + QStringLiteral("/screens.json");
    {
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        f.write(R"({"screens":[{"name":"Wide","x":0,"y":0,"width":1920,"height":1080,)"
                R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestNewVersion tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_newversion.moc"
