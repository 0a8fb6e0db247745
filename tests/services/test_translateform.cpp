// The language window: its list and flags, the translators box, and the confirmed restart.
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "services/LanguageChoice.h"
#include "services/Site.h"
#include "services/TranslateForm.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using testenv::readFile;
using testenv::writeFile;

struct TranslateFixture {
    ScriptedPlatform scripted;
    QTemporaryDir languages;
    QTemporaryDir data;
    QStringList languageFilesSet;
    QStringList setLanguageFileCalls;
    int quits = 0;
    QString executable = QStringLiteral("/opt/Veltrino/Veltrino");
    QPointer<TTranslateForm> form;

    void addLanguage(const QString& name, const QByteArray& content) {
        writeFile(languages.filePath(name + QStringLiteral(".lang.txt")), content);
        languageFilesSet.append(name + QStringLiteral(".lang.txt"));
    }

    TTranslateForm& open(const QString& current = {}) {
        TLanguageState state{languages.path(), languageFilesSet, current};
        TRestartTarget restart;
        restart.DataFolder = data.path() + QLatin1Char('/');
        restart.ExecutablePath = executable;
        restart.SetLanguageFile = [this](const QString& f) { setLanguageFileCalls.append(f); };
        restart.Quit = [this] { ++quits; };
        form = new TTranslateForm(state, restart);
        form->show();
        return *form;
    }
    ~TranslateFixture() { delete form.data(); }

    QString scriptPath() const { return data.filePath(QStringLiteral("start.sh")); }
    QString dataFolder() const { return data.path() + QLatin1Char('/'); }
};

QStringList items(const QComboBox& box) {
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list.append(box.itemText(i));
    return list;
}

} // namespace

class TestTranslateForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listIsSortedAndSelectsTheCurrentLanguage_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("selected");
        QTest::newRow("German loaded") << "German"
                                       << "German";
        QTest::newRow("nothing loaded") << ""
                                        << "English";
        QTest::newRow("case differs") << "german"
                                      << "English";
    }
    void listIsSortedAndSelectsTheCurrentLanguage() {
        QFETCH(QString, current);
        QFETCH(QString, selected);
        TranslateFixture fx;
        for (const char* name :
             {"German", "Esperanto", "hindi", "Hindi", "ChineseSimplified", "English"})
            fx.addLanguage(QString::fromLatin1(name), "{OK}x\n");
        TTranslateForm& form = fx.open(current);
        QCOMPARE(form.windowTitle(), QStringLiteral("Language"));
        QCOMPARE(form.size(), QSize(622, 227));
        QCOMPARE(items(*form.ComboBox1), (QStringList{"ChineseSimplified", "English", "Esperanto",
                                                      "German", "hindi", "Hindi"}));
        QCOMPARE(form.ComboBox1->currentText(), selected);
        QCOMPARE(TTranslateForm::LanguageAtOpen(), selected);
        for (int i = 0; i < form.ComboBox1->count(); ++i)
            QVERIFY(!form.ComboBox1->itemIcon(i).isNull());
        QCOMPARE(form.Label3->text(), QStringLiteral("Contribute to Translation"));
        QCOMPARE(form.Label3->toolTip(), SiteUrl(true, QStringLiteral("/translation/")));
    }

    void flags_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("flag");
        QTest::newRow("English") << "English"
                                 << "english";
        QTest::newRow("German") << "German"
                                << "de";
        QTest::newRow("Arabic") << "Arabic"
                                << "sa";
        QTest::newRow("PortugueseBrazil") << "PortugueseBrazil"
                                          << "br";
        QTest::newRow("Hindi") << "Hindi"
                               << "in";
        QTest::newRow("Catalan") << "Catalan"
                                 << "ca";
        QTest::newRow("Esperanto has none") << "Esperanto"
                                            << "xx";
        QTest::newRow("case matters") << "german"
                                      << "xx";
    }
    void flags() {
        QFETCH(QString, language);
        QFETCH(QString, flag);
        QCOMPARE(FlagImageName(language), flag);
    }

    void everyFlagHasAPicture() {
        const QStringList languages{"English",
                                    "German",
                                    "French",
                                    "Turkish",
                                    "Albanian",
                                    "Arabic",
                                    "Bulgarian",
                                    "ChineseSimplified",
                                    "ChineseTraditional",
                                    "Czech",
                                    "Dutch",
                                    "Finnish",
                                    "Greek",
                                    "Hebrew",
                                    "Hungarian",
                                    "Italian",
                                    "Catalan",
                                    "Japanese",
                                    "Korean",
                                    "Persian",
                                    "Polish",
                                    "PortugueseBrazil",
                                    "PortuguesePortugal",
                                    "Romanian",
                                    "Russian",
                                    "Slovenian",
                                    "Spanish",
                                    "Swedish",
                                    "Ukrainian",
                                    "Vietnamese",
                                    "Slovak",
                                    "Abkhazian",
                                    "Norwegian",
                                    "Hindi",
                                    "Unlisted"};
        QSet<QString> flags;
        for (const QString& language : languages) {
            const QString flag = FlagImageName(language);
            flags.insert(flag);
            const QString resource = QStringLiteral(":/flags/") + flag + QStringLiteral(".svg");
            QVERIFY2(QFile::exists(resource), qPrintable(resource));
            QVERIFY(!QIcon(resource).pixmap(24, 16).isNull());
        }
        QCOMPARE(flags.size(), languages.size()); // no two languages share a flag
    }

    void translatorsBox_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("English is ours") << "English" << QByteArray() << QStringList{"Kestrane"};
        QTest::newRow("two names trimmed")
            << "German" << QByteArray("{OK}OK\r\n{INFO:Translated By} Anna , Ben\r\n")
            << QStringList{"Anna", "Ben"};
        QTest::newRow("first entry wins, after a byte-order mark")
            << "German"
            << QByteArray("\xEF\xBB\xBF{INFO:Translated By}Cem\n{INFO:Translated By}D\n")
            << QStringList{"Cem"};
        QTest::newRow("no entry shows the key")
            << "German" << QByteArray("{OK}Gut\n {INFO:Translated By}indented\n")
            << QStringList{"INFO:Translated By"};
        QTest::newRow("empty entry shows nothing")
            << "German" << QByteArray("{INFO:Translated By}\n") << QStringList{};
        QTest::newRow("empty pieces stay lines")
            << "German" << QByteArray("{INFO:Translated By}A,,\tB\r") << QStringList{"A", "", "B"};
        QTest::newRow("unreadable file") << "Missing" << QByteArray() << QStringList{};
    }
    void translatorsBox() {
        QFETCH(QString, language);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        TranslateFixture fx;
        if (language == QStringLiteral("German"))
            fx.addLanguage(language, content);
        else if (language == QStringLiteral("Missing"))
            fx.languageFilesSet.append(QStringLiteral("Missing.lang.txt"));
        TTranslateForm& form = fx.open(language);
        QCOMPARE(form.ComboBox1->currentText(), language);
        const QString shown = form.RichEdit1->toPlainText();
        QCOMPARE(shown.isEmpty() ? QStringList() : shown.split(QLatin1Char('\n')), lines);
    }

    void changingTheSelectionShowsItsTranslators() {
        TranslateFixture fx;
        fx.addLanguage(QStringLiteral("German"), "{INFO:Translated By}Anna\n");
        TTranslateForm& form = fx.open();
        QCOMPARE(form.RichEdit1->toPlainText(), QStringLiteral("Kestrane"));
        form.ComboBox1->setCurrentText(QStringLiteral("German"));
        QCOMPARE(form.RichEdit1->toPlainText(), QStringLiteral("Anna"));
        form.SelectAll1->trigger();
        form.Copy1->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Anna"));
    }

    void okWithTheSameLanguageClosesAtOnce() {
        TranslateFixture fx;
        fx.addLanguage(QStringLiteral("German"), "{OK}Gut\n");
        TTranslateForm& form = fx.open(QStringLiteral("German"));
        form.Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(fx.form.isNull(), 5000);
        QVERIFY(fx.scripted.dialogs.boxes.isEmpty());
        QVERIFY(!QFile::exists(fx.scriptPath()));
        QCOMPARE(fx.quits, 0);
    }

    void answeringNoWritesNothing() {
        TranslateFixture fx;
        fx.addLanguage(QStringLiteral("German"), "{OK}Gut\n");
        TTranslateForm& form = fx.open();
        form.ComboBox1->setCurrentText(QStringLiteral("German"));
        fx.scripted.dialogs.nextAnswers.enqueue(platform::IDNO);
        form.Button1->click();
        QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
        const RecordedBox& box = fx.scripted.dialogs.boxes.front();
        QVERIFY(box.confirmation);
        QCOMPARE(box.text, QStringLiteral("Restart Application?"));
        QCOMPARE(box.caption, QStringLiteral("Confirmation"));
        QCOMPARE(box.buttonCaptions, (QStringList{"Yes", "No"}));
        QVERIFY(!QFile::exists(fx.scriptPath()));
        QVERIFY(fx.setLanguageFileCalls.isEmpty());
        QVERIFY(fx.scripted.shell.calls.isEmpty());
        QCOMPARE(fx.quits, 0);
        QVERIFY(!fx.form.isNull() && fx.form->isVisible());
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("German"));
    }

    void answeringYesWritesTheScriptStartsItAndQuits() {
        TranslateFixture fx;
        fx.executable = QStringLiteral("/opt/My Apps/Veltrino");
        fx.addLanguage(QStringLiteral("Hindi"), "{OK}x\n");
        writeFile(fx.scriptPath(), "old script that must go\n");
        TTranslateForm& form = fx.open();
        form.ComboBox1->setCurrentText(QStringLiteral("Hindi"));
        fx.scripted.dialogs.nextAnswers.enqueue(platform::IDYES);
        form.Button1->click();
        QCOMPARE(fx.setLanguageFileCalls, QStringList{"Hindi.lang.txt"});
        QCOMPARE(readFile(fx.scriptPath()),
                 QByteArray("#!/bin/sh\n"
                            "# This file was created automatically to restart the program.\n"
                            "# It is safe to delete this file.\n"
                            "sleep 1\n"
                            "'/opt/My Apps/Veltrino'\n"));
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls.front().verb, QStringLiteral("start"));
        QCOMPARE(fx.scripted.shell.calls.front().target, QStringLiteral("/bin/sh"));
        QCOMPARE(fx.scripted.shell.calls.front().arguments, QStringList{fx.scriptPath()});
        QCOMPARE(fx.scripted.shell.calls.front().workingFolder, fx.dataFolder());
        QCOMPARE(fx.quits, 1);
    }

    void scriptStartsExactlyTheProgramWhateverItsPath() {
        // Blanks, quotes and shell characters in the path must reach the shell as one word.
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("my app's $(touch pwned) `x`; dir"));
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + QStringLiteral("/run me");
        writeFile(program, "#!/bin/sh\necho started > \"$(dirname \"$0\")/marker\"\n");
        QVERIFY(
            QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString script = WriteRestartScript(root.path() + QLatin1Char('/'), program);
        QProcess sh;
        sh.setWorkingDirectory(root.path());
        sh.start(QStringLiteral("/bin/sh"), {script});
        QVERIFY(sh.waitForFinished(15000));
        QCOMPARE(sh.exitCode(), 0);
        QCOMPARE(readFile(folder + QStringLiteral("/marker")), QByteArray("started\n"));
        QVERIFY(!QFile::exists(root.filePath(QStringLiteral("pwned"))));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
    }

    void unwritableScriptIsReportedAndNothingStarts() {
        TranslateFixture fx;
        fx.addLanguage(QStringLiteral("German"), "{OK}Gut\n");
        TTranslateForm& form = fx.open();
        QVERIFY(QDir(fx.data.path()).removeRecursively());
        form.ComboBox1->setCurrentText(QStringLiteral("German"));
        fx.scripted.dialogs.nextAnswers.enqueue(platform::IDYES);
        form.Button1->click();
        QCOMPARE(fx.scripted.dialogs.exceptions.size(), 1);
        QVERIFY(fx.scripted.dialogs.exceptions.front().contains(QStringLiteral("start.sh")));
        QVERIFY(fx.scripted.shell.calls.isEmpty());
        QCOMPARE(fx.quits, 0);
        QVERIFY(!fx.form.isNull() && fx.form->isVisible());
    }

    void linkOpensTheTranslationPage() {
        TranslateFixture fx;
        TTranslateForm& form = fx.open();
        QTest::mouseClick(form.Label3, Qt::LeftButton);
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls.front().target,
                 SiteUrl(true, QStringLiteral("/translation/")));
    }

    void escapeCloses_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("list") << "ComboBox1";
        QTest::newRow("button") << "Button1";
        QTest::newRow("text box") << "RichEdit1";
    }
    void escapeCloses() {
        QFETCH(QString, focus);
        TranslateFixture fx;
        TTranslateForm& form = fx.open();
        QWidget* target = form.findChild<QWidget*>(focus);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(fx.form.isNull(), 5000);
    }
};

VELTRINO_TEST_MAIN(TestTranslateForm)
#include "test_translateform.moc"
