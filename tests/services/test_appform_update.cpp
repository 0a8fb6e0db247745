#include "../app/AppFormFixture.h"
#include "FormServer.h"
#include "platform/Curl.h"
#include "services/NewVersionWindow.h"
#include "services/Site.h"
#include "services/UpdateCheck.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <memory>

// The check started by the main window's timer, against the test's own servers.
class TestAppFormUpdate : public QObject {
    Q_OBJECT
    std::unique_ptr<FormServer> server;

    static QString reply(const QString& version, const QString& important) {
        return QStringLiteral("<version>%1</version>\r\n<url>https://dl.example/v</"
                              "url>\r\n\r\n<result>1</result>\r\n"
                              "\r\n<important>%2</important>\r\n")
            .arg(version, important);
    }
    static TUpdateStore storeOf(TAppForm& form) {
        return TUpdateStore(TUpdateStore::PathFor(form.CompanyName(), form.AppName()));
    }

private Q_SLOTS:
    void initTestCase() {
        server = StartTrustedFormServer();
        QVERIFY(server);
        setSiteHostsForTests(server->httpsHost(), server->httpHost());
        TNewVer::setCloseTickForTests(0);
    }
    void cleanupTestCase() {
        setSiteHostsForTests({}, {});
        platform::setExtraCaFile({});
        server.reset();
    }

    void importantBoxThenNotice() {
        QVERIFY(server->setReply(QStringLiteral("https"), 200,
                                 reply(QStringLiteral("9.9"), QStringLiteral("Read this first"))));
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QFile::remove(storeOf(form).Path());
        QVERIFY(!form.UpdateNotifications1->isEnabled());
        QVERIFY(form.UpdateNotifications1->isChecked());
        int boxesWhenNoticeCame = -1;
        QTRY_VERIFY_WITH_TIMEOUT(
            ([&] {
                if (form.NewVersionWindow() && boxesWhenNoticeCame < 0)
                    boxesWhenNoticeCame = int(fx.scripted.dialogs.boxes.size());
                return form.NewVersionWindow() && form.NewVersionWindow()->isVisible();
            }()),
            30000);
        QCOMPARE(boxesWhenNoticeCame, 1);
        QCOMPARE(fx.scripted.dialogs.boxes[0].text, QStringLiteral("Read this first"));
        QCOMPARE(fx.scripted.dialogs.boxes[0].caption, QStringLiteral("IMPORTANT"));
        QVERIFY(form.UpdateNotifications1->isEnabled());
        QVERIFY(form.UpdateNotifications1->isChecked());
        QVERIFY(!form.TimerChecker->isActive());
        QCOMPARE(form.NewVersionWindow()->findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Click to download ") + form.ProductName() +
                     QStringLiteral(" 9.9"));
        const auto requests = server->requests(1);
        QVERIFY(!requests.isEmpty());
        QCOMPARE(requests.last().fields().at(1).second, form.AppName());
        QCOMPARE(requests.last().fields().at(2).second, form.VersionText());
    }

    void quietSwitchAsksButShowsNothing() {
        // "ShowUpdate" 2: the site is asked, but no notice opens and the item keeps its mark.
        QVERIFY(server->setReply(QStringLiteral("https"), 200,
                                 reply(QStringLiteral("9.9"), QString())));
        AppFormFixture fx;
        const TUpdateStore store(TUpdateStore::PathFor(QStringLiteral("Kestrane"),
                                                       QStringLiteral("Kestrane - Veltrino")));
        QVERIFY(store.Open());
        QVERIFY(store.Write(QStringLiteral("ShowUpdate"), QStringLiteral("2")));
        server->clearRequests();
        TAppForm& form = fx.create();
        QTRY_VERIFY_WITH_TIMEOUT(form.UpdateNotifications1->isEnabled(), 30000);
        QVERIFY(form.UpdateNotifications1->isChecked());
        QVERIFY(!form.NewVersionWindow());
        QCOMPARE(server->requestsSoFar().size(), 1);
        QCOMPARE(store.Read(QStringLiteral("CurrentVersion")), QStringLiteral("9.9"));
    }

    void switchedOffThenToggled() {
        AppFormFixture fx;
        // Written before the form exists: the check reads it on the timer's first tick.
        const TUpdateStore store(TUpdateStore::PathFor(QStringLiteral("Kestrane"),
                                                       QStringLiteral("Kestrane - Veltrino")));
        QVERIFY(store.Open());
        QVERIFY(store.Write(QStringLiteral("ShowUpdate"), QStringLiteral("0")));
        server->clearRequests();
        TAppForm& form = fx.create();
        QCOMPARE(storeOf(form).Path(), store.Path());
        QTRY_VERIFY_WITH_TIMEOUT(form.UpdateNotifications1->isEnabled(), 30000);
        QVERIFY(!form.UpdateNotifications1->isChecked());
        QVERIFY(!form.NewVersionWindow());
        QVERIFY(server->requestsSoFar().isEmpty());
        form.UpdateNotifications1->trigger();
        QVERIFY(form.UpdateNotifications1->isChecked());
        QCOMPARE(store.Read(QStringLiteral("ShowUpdate")), QStringLiteral("1"));
        form.UpdateNotifications1->trigger();
        QVERIFY(!form.UpdateNotifications1->isChecked());
        QCOMPARE(store.Read(QStringLiteral("ShowUpdate")), QStringLiteral("0"));
    }
};

VELTRINO_TEST_MAIN(TestAppFormUpdate)
#include "test_appform_update.moc"
