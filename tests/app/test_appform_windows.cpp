// The main window's entries for the about, feedback and language windows and for online help.
#include "AppFormFixture.h"
#include "services/AboutBox.h"
#include "services/AboutRules.h"
#include "services/FeedbackForm.h"
#include "services/Site.h"
#include "services/TranslateForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

// Runs the entry, which shows its window modally, and hands the window to the check once it is
// up; the check's window is then closed so the entry returns.
template <typename Window, typename Check> void whileModal(QAction* entry, Check check) {
    QPointer<QWidget> seen;
    QTimer::singleShot(0, [&] {
        seen = QApplication::activeModalWidget();
        if (auto* window = qobject_cast<Window*>(seen.data()))
            check(*window);
        if (seen)
            seen->close();
    });
    entry->trigger();
}

} // namespace

class TestAppFormWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void onlineHelpOpensTheProductsPage_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("menu item") << "Help2";
        QTest::newRow("tool button") << "ToolButton4";
    }
    void onlineHelpOpensTheProductsPage() {
        QFETCH(QString, entry);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        form.findChild<QAction*>(entry)->trigger();
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls.front().verb, QStringLiteral("open"));
        QCOMPARE(fx.scripted.shell.calls.front().target,
                 SiteUrl(false, HelpPath(form.ProductName())));
        QVERIFY(fx.scripted.shell.calls.front().target.startsWith(QStringLiteral("http://")));
        QVERIFY(fx.scripted.shell.calls.front().target.endsWith(
            QStringLiteral("/help/") + form.ProductName().toLower() + QLatin1Char('/')));
    }

    void aboutOpensModallyAndIsFreed_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("menu item") << "About1";
        QTest::newRow("tool button") << "ToolButton2";
    }
    void aboutOpensModallyAndIsFreed() {
        QFETCH(QString, entry);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QPointer<TAboutBox> opened;
        QString product;
        whileModal<TAboutBox>(form.findChild<QAction*>(entry), [&](TAboutBox& box) {
            opened = &box;
            product = box.Label2->text();
        });
        QCOMPARE(product, form.ProductName() + QLatin1Char(' ') + form.VersionText());
        QTRY_VERIFY_WITH_TIMEOUT(opened.isNull(), 5000);
    }

    void feedbackOpensModallyAndIsFreed_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("menu item") << "SendFeedback1";
        QTest::newRow("tool button") << "ToolButton7";
    }
    void feedbackOpensModallyAndIsFreed() {
        QFETCH(QString, entry);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QPointer<TFeedbackForm> opened;
        QString title;
        whileModal<TFeedbackForm>(form.findChild<QAction*>(entry), [&](TFeedbackForm& window) {
            opened = &window;
            title = window.windowTitle();
        });
        QVERIFY2(title.startsWith(form.ProductName() + QLatin1Char(' ')), qPrintable(title));
        QTRY_VERIFY_WITH_TIMEOUT(opened.isNull(), 5000);
    }

    void languageItemIsHiddenButOpensTheWindow() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QVERIFY(!form.Language1->isVisible());
        QPointer<TTranslateForm> opened;
        QString selected;
        whileModal<TTranslateForm>(form.Language1, [&](TTranslateForm& window) {
            opened = &window;
            selected = window.ComboBox1->currentText();
        });
        QCOMPARE(selected, QStringLiteral("English"));
        QTRY_VERIFY_WITH_TIMEOUT(opened.isNull(), 5000);
    }
};

VELTRINO_TEST_MAIN(TestAppFormWindows)
#include "test_appform_windows.moc"
