#include "AppFormFixture.h"
#include "app/Folders.h"
#include "app/IniStore.h"
#include "services/Lcid.h"
#include "services/Translation.h"

#include <QAction>
#include <QActionGroup>
#include <QProgressBar>
#include <QPushButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

class TestAppFormSettings : public QObject {
    Q_OBJECT

    template <typename T> static T* child(TAppForm& form, const char* name) {
        T* w = form.findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    static int checkedOutputType(TAppForm& form) {
        for (int i = 1; i <= 4; ++i)
            if (child<QRadioButton>(form, QByteArray("RadioButton" + QByteArray::number(i)))->isChecked())
                return i;
        return 0;
    }

private Q_SLOTS:
    void defaultsWhenFileMissingEmptyOrInvalid_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("invalid utf-8")
            << QByteArray("[Settings]\r\nOutputType=SRT\r\nDestination=\xC3\x28\xFF\r\n") << true;
    }
    void defaultsWhenFileMissingEmptyOrInvalid() {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        AppFormFixture fx;
        if (present)
            fx.writeSettings(content);
        TAppForm& form = fx.create();
        QCOMPARE(checkedOutputType(form), 1);
        QVERIFY(form.UTF8BOM1->isChecked());
        QVERIFY(form.ShowErrorDetails1->isChecked());
        QVERIFY(form.CheckBoxAutoDetect->isChecked());
        QCOMPARE(form.ComboBoxLang->currentText(), QStringLiteral("English [en]"));
        QCOMPARE(form.ComboBoxLang->currentIndex(), 21);
        QCOMPARE(form.SpinEdit1->value(), 40);
        QCOMPARE(form.ComboBoxEx1->currentIndex(), 0);
        QVERIFY(!form.CheckBoxSource->isChecked());
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QCOMPARE(form.Edit1->text(), desktop);
        // An invalid file was dropped: only what the restore wrote back is in the new one.
        QVERIFY(!fx.settingsBytes().contains("OutputType=SRT"));
        QCOMPARE(form.DataFolder(), fx.programFolder());
    }

    void settingsThatCannotBeOpenedStillStart() {
        // A folder where the settings file belongs can be neither read nor deleted: the window
        // opens on the defaults and says once that its settings are not kept.
        AppFormFixture fx;
        QVERIFY(QDir().mkpath(fx.settingsPath() + QStringLiteral("/inner")));
        TAppForm& form = fx.create();
        QCOMPARE(checkedOutputType(form), 1);
        QVERIFY(form.StatusText().startsWith(QStringLiteral("Settings could not be saved: ")));
        form.RadioButton2->click();
        QVERIFY(QFileInfo(fx.settingsPath()).isDir());
    }

    void storedValuesAreReadExactly_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        QTest::newRow("srt lower case") << QByteArray("OutputType=srt") << "type" << "1";
        QTest::newRow("SRT") << QByteArray("OutputType=SRT") << "type" << "2";
        QTest::newRow("TXT") << QByteArray("OutputType=TXT") << "type" << "4";
        QTest::newRow("length letters") << QByteArray("MaximumLineLength=abc") << "length" << "40";
        QTest::newRow("length -5") << QByteArray("MaximumLineLength=-5") << "length" << "-5";
        QTest::newRow("length 0") << QByteArray("MaximumLineLength=0") << "length" << "0";
        QTest::newRow("language case differs")
            << QByteArray("Language=english [en]") << "language" << "English [en]";
        QTest::newRow("language exact") << QByteArray("Language=Welsh [cy]") << "language"
                                        << "Welsh [cy]";
        QTest::newRow("encoding UTF8") << QByteArray("Encoding=UTF8") << "encoding" << "UTF-8";
        QTest::newRow("encoding ANSI") << QByteArray("Encoding=ANSI") << "encoding" << "ANSI";
        QTest::newRow("encoding lower") << QByteArray("Encoding=ansi") << "encoding" << "UTF-8-BOM";
        QTest::newRow("details off") << QByteArray("ShowErrorDetails=OFF") << "details" << "0";
        QTest::newRow("details off lower") << QByteArray("showerrordetails=off") << "details"
                                           << "1";
        QTest::newRow("auto detect off") << QByteArray("LanguageAutoDetect=OFF") << "auto" << "0";
        QTest::newRow("model medium") << QByteArray("AIModel=Medium (1462 MB)") << "model"
                                       << "Medium (1462 MB)";
        QTest::newRow("model unknown") << QByteArray("AIModel=Huge") << "model" << "Base (141 MB)";
        QTest::newRow("destination") << QByteArray("Destination=  /tmp/out dir ") << "destination"
                                     << "  /tmp/out dir ";
        QTest::newRow("source folder") << QByteArray("UseSourceFolder=ON") << "source" << "1";
    }
    void storedValuesAreReadExactly() {
        QFETCH(QByteArray, line);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        AppFormFixture fx;
        fx.writeSettings("\xEF\xBB\xBF[Settings]\r\n" + line + "\r\n");
        TAppForm& form = fx.create();
        QString actual;
        if (check == QLatin1String("type"))
            actual = QString::number(checkedOutputType(form));
        else if (check == QLatin1String("length"))
            actual = QString::number(form.SpinEdit1->value());
        else if (check == QLatin1String("language"))
            actual = form.ComboBoxLang->currentText();
        else if (check == QLatin1String("encoding"))
            actual = form.EncodingGroup->checkedAction()->text();
        else if (check == QLatin1String("details"))
            actual = QString::number(form.ShowErrorDetails1->isChecked());
        else if (check == QLatin1String("auto"))
            actual = QString::number(form.CheckBoxAutoDetect->isChecked());
        else if (check == QLatin1String("model"))
            actual = form.ComboBoxEx1->currentText();
        else if (check == QLatin1String("destination"))
            actual = form.Edit1->text();
        else if (check == QLatin1String("source"))
            actual = QString::number(form.CheckBoxSource->isChecked() && form.Edit1->isHidden());
        QCOMPARE(actual, expected);
    }

    void everyHandlerWritesThrough() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        const auto value = [&](const char* key) {
            return TIniStore(fx.settingsPath())
                .ReadString(QStringLiteral("Settings"), QString::fromLatin1(key), QStringLiteral("<none>"));
        };
        form.RadioButton3->click();
        QCOMPARE(value("OutputType"), QStringLiteral("VTT"));
        form.ANSI1->trigger();
        QCOMPARE(value("Encoding"), QStringLiteral("ANSI"));
        QVERIFY(form.ANSI1->isChecked() && !form.UTF8BOM1->isChecked());
        form.ShowErrorDetails1->trigger();
        QCOMPARE(value("ShowErrorDetails"), QStringLiteral("OFF"));
        QVERIFY(!form.ShowErrorDetails1->isChecked());
        form.ShowErrorDetails1->trigger();
        QCOMPARE(value("ShowErrorDetails"), QStringLiteral("ON"));
        form.CheckBoxAutoDetect->click();
        QCOMPARE(value("LanguageAutoDetect"), QStringLiteral("OFF"));
        form.CheckBoxSource->click();
        QCOMPARE(value("UseSourceFolder"), QStringLiteral("ON"));
        QVERIFY(form.Edit1->isHidden());
        form.CheckBoxSource->click();
        QCOMPARE(value("UseSourceFolder"), QStringLiteral("OFF"));
        QVERIFY(!form.Edit1->isHidden());
        form.SpinEdit1->setValue(-7);
        QCOMPARE(value("MaximumLineLength"), QStringLiteral("-7"));
        form.Edit1->clear();
        QTest::keyClicks(form.Edit1, QStringLiteral("/o "));
        QCOMPARE(value("Destination"), QStringLiteral("/o "));
        form.ComboBoxLang->setCurrentIndex(3);
        Q_EMIT form.ComboBoxLang->activated(3);
        QCOMPARE(value("Language"), QStringLiteral("Arabic [ar]"));

        const QByteArray bytes = fx.settingsBytes();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF[Settings]\r\n"));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        QVERIFY(bytes.contains("OutputType=VTT\r\n"));

        // A second start sees every choice again.
        fx.form.reset();
        TAppForm& again = fx.create();
        QCOMPARE(checkedOutputType(again), 3);
        QVERIFY(again.ANSI1->isChecked());
        QCOMPARE(again.SpinEdit1->value(), -7);
        QCOMPARE(again.Edit1->text(), QStringLiteral("/o "));
        QCOMPARE(again.ComboBoxLang->currentText(), QStringLiteral("Arabic [ar]"));
        QVERIFY(!again.CheckBoxAutoDetect->isChecked());
    }

    void failedWriteIsReportedOnceAndValueKept() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        // A folder where the file should be makes every write fail.
        QFile::remove(fx.settingsPath());
        QDir().mkdir(fx.settingsPath());
        form.RadioButton2->click();
        QVERIFY(form.RadioButton2->isChecked());
        QVERIFY(form.StatusText().startsWith(QStringLiteral("Settings could not be saved")));
        form.SetStatusText(QString());
        form.RadioButton4->click();
        QCOMPARE(form.StatusText(), QString());
    }

    void staleCheckFileMovesDataToUserFolder() {
        AppFormFixture fx;
        QFile stale(fx.programFolder() + QStringLiteral("chk.tmp"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QVERIFY(!IsFolderWritable(fx.programFolder()));
        TAppForm& form = fx.create();
        const QString expected =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Kestrane/Veltrino/");
        QCOMPARE(form.DataFolder(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        form.RadioButton2->click();
        QVERIFY(QFile::exists(expected + QStringLiteral("settings.ini")));
        QVERIFY(!QFile::exists(fx.settingsPath()));
        QVERIFY(QFile::exists(fx.programFolder() + QStringLiteral("chk.tmp")));
        QVERIFY(IsFolderWritable(expected));
        QVERIFY(!QFile::exists(expected + QStringLiteral("chk.tmp")));
    }

    void resetToDefaults() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        form.RadioButton2->click();
        const QByteArray before = fx.settingsBytes();

        fx.scripted.dialogs.nextAnswers.enqueue(platform::IDNO);
        form.ResettoDefaults1->trigger();
        QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
        const RecordedBox& box = fx.scripted.dialogs.boxes.first();
        QCOMPARE(box.text, QStringLiteral("Restart Application?"));
        QCOMPARE(box.caption, QStringLiteral("Confirmation"));
        QCOMPARE(box.buttonCaptions, QStringList({QStringLiteral("Yes"), QStringLiteral("No")}));
        QCOMPARE(fx.settingsBytes(), before);
        QVERIFY(fx.scripted.shell.calls.isEmpty());

        fx.scripted.dialogs.nextAnswers.enqueue(platform::IDYES);
        form.ResettoDefaults1->trigger();
        QVERIFY(!QFile::exists(fx.settingsPath()));
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls.first().verb, QStringLiteral("start"));
        QCOMPARE(fx.scripted.shell.calls.first().target, QCoreApplication::applicationFilePath());
        // Nothing writes the file again before this copy ends.
        form.RadioButton3->click();
        QVERIFY(!QFile::exists(fx.settingsPath()));
    }

    void interfaceLanguageIsLoadedAtStart() {
        AppFormFixture fx;
        QDir(fx.programFolder()).mkdir(QStringLiteral("Languages"));
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile f(fx.programFolder() + QStringLiteral("Languages/") + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(QStringLiteral("LanguageCodes.csv"), "1031,German.lang.txt\r\n");
        write(QStringLiteral("German.lang.txt"),
              "\xEF\xBB\xBF{Restart Application?}Anwendung neu starten?\r\n{Yes}Ja\r\n");
        SetUserDefaultUILanguageSource([] { return quint16(1031); });
        TAppForm& form = fx.create();
        form.ResettoDefaults1->trigger();
        SetUserDefaultUILanguageSource({});
        QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
        QCOMPARE(fx.scripted.dialogs.boxes.first().text, QStringLiteral("Anwendung neu starten?"));
        QCOMPARE(fx.scripted.dialogs.boxes.first().buttonCaptions,
                 QStringList({QStringLiteral("Ja"), QStringLiteral("No")}));
        // The window's own captions stay as designed.
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        LoadLanguageFileFrom(QString(), QString());
    }

    void workFolderIsPrivatePerInstance() {
        QTemporaryDir root;
        QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
        const QString first = PrepareWorkFolder(root.path(), QStringLiteral("first"));
        QVERIFY(!first.isEmpty());
        QFile mine(first + QStringLiteral("job.lrc"));
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.close();
        const QString second = PrepareWorkFolder(root.path(), QStringLiteral("second"));
        QVERIFY(!second.isEmpty() && second != first);
        QVERIFY(QFile::exists(first + QStringLiteral("job.lrc")));
        QCOMPARE(QFileInfo(first).permissions() & 0x0077, QFileDevice::Permissions());

        // Starting again under the same name empties the folder.
        QCOMPARE(PrepareWorkFolder(root.path(), QStringLiteral("first")), first);
        QVERIFY(!QFile::exists(first + QStringLiteral("job.lrc")));

        RemoveWorkFolder(second);
        QVERIFY(!QFileInfo::exists(second));
        QVERIFY(QFileInfo::exists(first));
        RemoveWorkFolder(first);
        QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("/kesveltrino")));
    }

    void plantedLinkIsRefused() {
        QTemporaryDir root, elsewhere;
        QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
        QVERIFY(QFile::link(elsewhere.path(), root.path() + QStringLiteral("/kesveltrino")));
        QCOMPARE(PrepareWorkFolder(root.path(), QStringLiteral("x")), QString());
        QVERIFY(QDir(elsewhere.path()).isEmpty());

        QTemporaryDir open;
        QFile::setPermissions(open.path(), QFileDevice::Permissions(0x7777));
        QCOMPARE(PrepareWorkFolder(open.path(), QStringLiteral("x")), QString());
    }

    void formUsesAndRemovesItsWorkFolder() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        const QString work = form.WorkFolder();
        QVERIFY(work.endsWith(QStringLiteral("/kesveltrino/") +
                              QString::number(QCoreApplication::applicationPid()) + QLatin1Char('/')));
        QVERIFY(QFileInfo(work).isDir());
        fx.form.reset();
        QVERIFY(!QFileInfo::exists(work));
    }

    void windowHasItsControls() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrane - Veltrino"));
        QCOMPARE(form.ComboBoxLang->count(), 101);
        QCOMPARE(form.ComboBoxEx1->count(), 5);
        QVERIFY(form.Button1->isEnabled());
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        QVERIFY(form.ProgressBar1->isHidden());
        QVERIFY(!form.UpdateNotifications1->isEnabled());
        QVERIFY(form.UpdateNotifications1->isChecked());
        QVERIFY(!form.Language1->isVisible());
        QCOMPARE(form.TimerChecker->interval(), 1000);
        QVERIFY(form.TimerChecker->isActive());
        QCOMPARE(form.Help2->shortcut(), QKeySequence(Qt::Key_F1));
        for (const char* name : {"ListView1", "SpinEdit1", "ComboBoxEx1", "ComboBoxLang", "Edit1",
                                 "Button2", "ProgressBar1"}) {
            auto* w = form.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(w && !w->accessibleName().isEmpty(), name);
        }
    }
};

VELTRINO_TEST_MAIN(TestAppFormSettings)
#include "test_appform_settings.moc"
