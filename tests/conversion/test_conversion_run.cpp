#include "ConversionFixture.h"
#include "app/ErrorForm.h"
#include "app/OutputFiles.h"
#include "models/ModelRepository.h"
#include "platform/TickCount.h"

#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QProgressBar>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

class TestConversionRun : public QObject {
    Q_OBJECT

    static void closeReports() {
        for (QWidget* w : ConversionFixture::reportWindows())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void cleanup() {
        closeReports();
        setNarrowEncodingForTests(QStringConverter::System);
    }

    void threeFilesEndOkErrorOk() {
        ConversionFixture fx;
        const QStringList files{fx.input(QStringLiteral("a.mp3")),
                                fx.input(QStringLiteral("b.mp3"), "mode=fail\n"),
                                fx.input(QStringLiteral("c.mp3"))};
        TAppForm& form = fx.open(files);
        form.ShowErrorDetails1->setChecked(false);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"OK", "Error", "OK"}));
        QVERIFY2(form.StatusText().startsWith(QStringLiteral("Finished (Elapsed Time: ")) &&
                     form.StatusText().endsWith(QStringLiteral(" sec)")),
                 qPrintable(form.StatusText()));
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        QVERIFY(form.ProgressBar1->isHidden());
        QCOMPARE(fx.scripted.dialogs.busyDepth, 0);
        QCOMPARE(fx.scripted.shell.beeps, 1);
        QVERIFY(QFile::exists(fx.outputs.filePath(QStringLiteral("a.lrc"))));
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("b.lrc"))));
        QVERIFY(QFile::exists(fx.outputs.filePath(QStringLiteral("c.lrc"))));
        QVERIFY(ConversionFixture::reportWindows().isEmpty());
        QVERIFY(!QFile::exists(form.WorkFolder() + QStringLiteral("temp.lrc")));
    }

    void stopDuringSecondOfThreeAndConvertAgain() {
        ConversionFixture fx;
        const QStringList files{fx.input(QStringLiteral("a.mp3")),
                                fx.input(QStringLiteral("b %1 %3.wav"), "mode=slow\n"),
                                fx.input(QStringLiteral("c.mp3"))};
        TAppForm& form = fx.open(files);
        form.Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusText(),
                                  QStringLiteral("Processing 2 / 3 (%1)...").arg(files[1]), 30000);
        QVERIFY(fx.waitJobStarted());
        QCOMPARE(fx.results(), (QStringList{"OK", "", ""}));
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"OK", "Stopped", ""}));
        QVERIFY(form.StatusText().startsWith(QStringLiteral("Finished (Elapsed Time: ")));
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("b %1 %3.lrc"))));

        // Convert again: every Result is cleared before the first job runs.
        ConversionFixture::writeFile(files[0], "#fake-whisper\nmode=slow\n");
        form.Button1->click();
        QVERIFY(fx.running());
        QCOMPARE(fx.results(), (QStringList{"", "", ""}));
        QVERIFY(fx.waitJobStarted());
        QCOMPARE(form.StatusText(), QStringLiteral("Processing 1 / 3 (%1)...").arg(files[0]));
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"Stopped", "", ""}));
    }

    void singleRowStatusAndElapsedTime_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("decimal point")
            << QLocale(QLocale::English, QLocale::UnitedStates) << "1.500";
        QTest::newRow("decimal comma") << QLocale(QLocale::German, QLocale::Germany) << "1,500";
    }
    void singleRowStatusAndElapsedTime() {
        QFETCH(QLocale, locale);
        QFETCH(QString, seconds);
        ConversionFixture fx;
        const QString file = fx.input(QStringLiteral("only one.mp3"), "mode=slow\n");
        TAppForm& form = fx.open({file});
        QLocale::setDefault(locale);
        std::uint32_t now = 0xFFFFFC00u; // 1024 ms before the counter wraps
        platform::setTickSource([&now] { return now; });
        form.Button1->click();
        QVERIFY(fx.waitJobStarted());
        QCOMPARE(form.StatusText(), QStringLiteral("Processing ") + file + QStringLiteral("..."));
        now += 1500;
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        platform::setTickSource({});
        QLocale::setDefault(QLocale::c());
        QCOMPARE(form.StatusText(), QStringLiteral("Finished (Elapsed Time: %1 sec)").arg(seconds));
    }

    void unwritableOutputIsAnErrorAndTheRunGoesOn() {
        ConversionFixture fx;
        const QStringList files{
            fx.input(QStringLiteral("a.mp3"), "segment=0,1, a\nsegment=1,2, b\ndelay_ms=700\n"),
            fx.input(QStringLiteral("b.mp3"))};
        TAppForm& form = fx.open(files);
        const QString gone = fx.outputFolder() + QStringLiteral("/sub");
        form.Edit1->setText(gone);
        form.Button1->click();
        QVERIFY(fx.waitJobStarted());
        QVERIFY(QDir(gone).removeRecursively());
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"Error", "Error"}));
        QVERIFY(!QFile::exists(form.WorkFolder() + QStringLiteral("temp.lrc")));
        const QList<QWidget*> reports = ConversionFixture::reportWindows();
        QCOMPARE(reports.size(), 2);
        for (QWidget* w : reports)
            QVERIFY(w->findChild<QTextEdit*>(QStringLiteral("Memo1"))
                        ->toPlainText()
                        .contains(QStringLiteral("The output file could not be written: ")));
    }

    void unreadableOutputIsAnError() {
        // The recognizer's output cannot be read back (a folder holds its name): "Error", and the
        // report says why.
        ConversionFixture fx;
        TAppForm& form = fx.open({fx.input(QStringLiteral("a.mp3"))});
        const QString blocked = form.WorkFolder() + QStringLiteral("temp.lrc");
        QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inner")));
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"Error"});
        const QList<QWidget*> reports = ConversionFixture::reportWindows();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.front()
                    ->findChild<QTextEdit*>(QStringLiteral("Memo1"))
                    ->toPlainText()
                    .contains(QStringLiteral("The recognizer's output could not be read: ")));
        QVERIFY(QDir(fx.outputFolder()).entryList(QDir::Files).isEmpty());
    }

    void workFolderGoneIsMadeAgain() {
        // Another copy ending at the same moment can take the shared work folder away.
        ConversionFixture fx;
        TAppForm& form = fx.open({fx.input(QStringLiteral("a.mp3"))});
        const QString work = form.WorkFolder();
        QVERIFY(!work.isEmpty());
        QVERIFY(QDir(work + QStringLiteral("..")).removeRecursively());
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"OK"});
        QCOMPARE(form.WorkFolder(), work);
        QVERIFY(QFileInfo(work).isDir());
    }

    void outputNamesNeverReplaceFiles() {
        ConversionFixture fx;
        ConversionFixture::writeFile(fx.outputs.filePath(QStringLiteral("song.srt")), "mine");
        ConversionFixture::writeFile(fx.outputs.filePath(QStringLiteral("song (3).srt")),
                                     "mine too");
        TAppForm& form = fx.open({fx.input(QStringLiteral("song.mp3"))});
        form.RadioButton2->setChecked(true);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"OK"});
        QCOMPARE(form.FinalOutputFile(), fx.outputs.filePath(QStringLiteral("song (2).srt")));
        QVERIFY(ConversionFixture::readFile(form.FinalOutputFile()).contains(" --> "));
        QCOMPARE(ConversionFixture::readFile(fx.outputs.filePath(QStringLiteral("song.srt"))),
                 QByteArray("mine"));
        QCOMPARE(ConversionFixture::readFile(fx.outputs.filePath(QStringLiteral("song (3).srt"))),
                 QByteArray("mine too"));
    }

    void encodingsByteForByte_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<int>("outputType");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray utf8Lines = "[00:00.00] \xC3\xA9t\xC3\xA9\r\n[00:01.00] b\r\n";
        QTest::newRow("UTF-8-BOM") << "UTF8BOM1" << 1 << QByteArray("\xEF\xBB\xBF") + utf8Lines;
        QTest::newRow("UTF-8") << "UTF81" << 1 << utf8Lines;
        QTest::newRow("narrow") << "ANSI1" << 1
                                << QByteArray("[00:00.00] \xE9t\xE9\r\n[00:01.00] b\r\n");
        QTest::newRow("TXT loses leading blank")
            << "UTF81" << 4 << QByteArray("\xC3\xA9t\xC3\xA9\r\nb\r\n");
    }
    void encodingsByteForByte() {
        QFETCH(QString, menuItem);
        QFETCH(int, outputType);
        QFETCH(QByteArray, expected);
        // A narrow encoding that differs from UTF-8 shows that the choice reaches the file.
        setNarrowEncodingForTests(QStringConverter::Latin1);
        ConversionFixture fx;
        TAppForm& form = fx.open({fx.input(QStringLiteral("s.mp3"),
                                           "segment=0,1, \xC3\xA9t\xC3\xA9\nsegment=1,2, b\n")});
        form.findChild<QAction*>(menuItem)->trigger();
        form.findChild<QRadioButton*>(QStringLiteral("RadioButton%1").arg(outputType))
            ->setChecked(true);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"OK"});
        QCOMPARE(ConversionFixture::readFile(form.FinalOutputFile()), expected);
    }

    void emptyOutputIsAnErrorAndDeleted() {
        ConversionFixture fx;
        TAppForm& form = fx.open({fx.input(QStringLiteral("e.mp3"), "mode=empty\n")});
        form.ShowErrorDetails1->setChecked(false);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"Error"});
        QVERIFY(!QFile::exists(form.WorkFolder() + QStringLiteral("temp.lrc")));
        QVERIFY(QDir(fx.outputFolder()).isEmpty(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void progressCapsAtHundredAndWaitsForDuration() {
        ConversionFixture fx;
        TAppForm& form = fx.open(
            {fx.input(QStringLiteral("p.mp3"), "duration=2\nsegment=0,1, a\nsegment=1,9, b\n"),
             fx.input(QStringLiteral("q.mp3"), "mode=noduration\nsegment=0,1, a\n")});
        QSignalSpy values(form.ProgressBar1, &QProgressBar::valueChanged);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"OK", "OK"}));
        QList<int> seen;
        for (const QList<QVariant>& v : values)
            seen << v.at(0).toInt();
        // 1 of 2 seconds, then a segment past the end shows 100; the second job has no duration,
        // so its segment leaves the bar where it is.
        QVERIFY2(seen.contains(50) && seen.contains(100), qPrintable(QString::number(seen.size())));
        // The bar starts each job from 0, so a second 100 could only come from the second job.
        QCOMPARE(seen.count(100), 1);
        QCOMPARE(seen.last(), 0);
        for (int v : seen)
            QVERIFY(v >= 0 && v <= 100);
        QCOMPARE(form.AudioDuration(), 0.0);
    }

    void threeFailuresOpenThreeReportsOnlyWhenChecked_data() {
        QTest::addColumn<bool>("checked");
        QTest::newRow("checked") << true;
        QTest::newRow("unchecked") << false;
    }
    void threeFailuresOpenThreeReportsOnlyWhenChecked() {
        QFETCH(bool, checked);
        ConversionFixture fx;
        const QStringList files{
            fx.input(QStringLiteral("x1.mp3"), "mode=fail\nline=caf\xC3\xA9 first\n"),
            fx.input(QStringLiteral("x2.mp3"), "mode=fail\nline=second\n"),
            fx.input(QStringLiteral("x3.mp3"), "mode=fail\nline=third\n")};
        TAppForm& form = fx.open(files);
        form.ShowErrorDetails1->setChecked(checked);
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), (QStringList{"Error", "Error", "Error"}));
        const QList<QWidget*> reports = ConversionFixture::reportWindows();
        QCOMPARE(reports.size(), checked ? 3 : 0);
        QStringList texts;
        for (QWidget* w : reports)
            texts << w->findChild<QTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
        texts.sort();
        for (int i = 0; i < reports.size(); ++i) {
            const QStringList lines = texts[i].split(QLatin1Char('\n'));
            QCOMPARE(lines.value(0), QStringLiteral("Input: ") + files[i]);
            QCOMPARE(lines.value(1), QStringLiteral("Output: ") +
                                         fx.outputs.filePath(QStringLiteral("x%1.lrc").arg(i + 1)));
            QCOMPARE(lines.value(2), QStringLiteral("Model: ") + fx.whisperFolder() +
                                         QStringLiteral("ggml-base.bin"));
            QVERIFY(lines.value(3).startsWith(QStringLiteral("Available RAM: ")));
            QVERIFY(lines.value(4).startsWith(QStringLiteral("Available Disk: ")) &&
                    lines.value(4).size() > 16);
            QVERIFY(lines.value(5).startsWith(QStringLiteral("CPU: ")));
            QCOMPARE(lines.value(6), QString());
            QVERIFY(texts[i].contains(QStringLiteral("error: failed to read audio file")));
        }
        if (checked) {
            QVERIFY(texts[0].contains(QStringLiteral("\ncafé first\n")));
            QVERIFY(texts[1].contains(QStringLiteral("\nsecond\n")));
            QVERIFY(!texts[1].contains(QStringLiteral("third")));
        }
    }

    void modelFallbackKeepsTheSetting() {
        ConversionFixture fx;
        fx.writeSettings("[Settings]\r\nAIModel=Medium (1462 MB)\r\n");
        TAppForm& form = fx.open({fx.input(QStringLiteral("m.mp3"))});
        QCOMPARE(form.ComboBoxEx1->currentText(), QStringLiteral("Medium (1462 MB)"));
        form.Button1->click();
        QCOMPARE(form.ComboBoxEx1->currentText(), QStringLiteral("Base (141 MB)"));
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"OK"});
        QCOMPARE(form.ModelFile(), fx.whisperFolder() + QStringLiteral("ggml-base.bin"));
        QVERIFY(fx.settingsBytes().contains("AIModel=Medium (1462 MB)"));
        QVERIFY(fx.scripted.dialogs.boxes.isEmpty());
    }

    void choosingAMissingModelAsks_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("present");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::newRow("medium missing, No") << 2 << "" << int(platform::IDNO) << true;
        QTest::newRow("medium missing, Yes") << 2 << "" << int(platform::IDYES) << true;
        QTest::newRow("large present under its local name") << 3 << "ggml-large.bin" << 0 << false;
        QTest::newRow("large: the remote name does not count")
            << 3 << "ggml-large-v3.bin" << int(platform::IDNO) << true;
    }
    void choosingAMissingModelAsks() {
        QFETCH(int, index);
        QFETCH(QString, present);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        ConversionFixture fx;
        if (!present.isEmpty())
            ConversionFixture::writeFile(fx.programFolder() + present, "m");
        // A Yes starts a real download: it goes to a loopback port nobody listens on.
        setModelBaseUrlForTests(QStringLiteral("https://127.0.0.1:1/models"));
        const auto restoreBaseUrl = qScopeGuard([] { setModelBaseUrlForTests({}); });
        TAppForm& form = fx.create();
        fx.scripted.dialogs.nextAnswers.enqueue(answer);
        form.ComboBoxEx1->setCurrentIndex(index);
        Q_EMIT form.ComboBoxEx1->activated(index);
        const QString caption = form.ComboBoxEx1->itemText(index);
        QVERIFY(fx.settingsBytes().contains("AIModel=" + caption.toUtf8()));
        QCOMPARE(fx.scripted.dialogs.boxes.size(), asked ? 1 : 0);
        if (asked) {
            const RecordedBox& box = fx.scripted.dialogs.boxes.first();
            QCOMPARE(box.text, QStringLiteral("Download AI Model?\r\r") + caption);
            QCOMPARE(box.caption, QStringLiteral("Confirmation"));
            QCOMPARE(box.buttonCaptions, (QStringList{"Yes", "No"}));
        }
        if (answer == platform::IDYES)
            QTRY_COMPARE_WITH_TIMEOUT(form.StatusText(), QStringLiteral("Download failed!"), 10000);
        else
            QCOMPARE(form.RunningDownloads(), 0);
        QCOMPARE(form.ComboBoxEx1->currentIndex(), index);
        QCOMPARE(form.AiModelFilenameBul(),
                 form.DataFolder() + (index == 2 ? QStringLiteral("ggml-medium.bin")
                                                 : QStringLiteral("ggml-large.bin")));
    }

    void noUsableOutputFolderRefusesToStart_data() {
        QTest::addColumn<QString>("destination");
        QTest::newRow("empty") << "";
        QTest::newRow("relative") << "some/where";
        QTest::newRow("under a file") << "FILE/sub";
    }
    void noUsableOutputFolderRefusesToStart() {
        QFETCH(QString, destination);
        ConversionFixture fx;
        const QString file = fx.input(QStringLiteral("a.mp3"));
        TAppForm& form = fx.open({file});
        form.Edit1->setText(QString(destination).replace(QStringLiteral("FILE"), file));
        form.Button1->click();
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        QVERIFY(form.ProgressBar1->isHidden());
        QCOMPARE(fx.scripted.dialogs.busyDepth, 0);
        QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
        QCOMPARE(fx.scripted.dialogs.boxes.first().caption, QStringLiteral("WARNING"));
        QCOMPARE(fx.scripted.dialogs.boxes.first().flags, 48);
        QVERIFY(form.ConsoleLines().isEmpty());
    }

    void emptyListWarns() {
        ConversionFixture fx;
        TAppForm& form = fx.open({});
        form.Button1->click();
        QCOMPARE(fx.scripted.dialogs.boxes.size(), 1);
        QCOMPARE(fx.scripted.dialogs.boxes.first().text, QStringLiteral("Please add files!"));
        QCOMPARE(fx.scripted.dialogs.boxes.first().flags, 48);
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
    }

    void removingAnotherRowKeepsResultsInTheirRows() {
        ConversionFixture fx;
        const QStringList files{fx.input(QStringLiteral("a.mp3"), "mode=slow\ndelay_ms=100\n"),
                                fx.input(QStringLiteral("b.mp3")),
                                fx.input(QStringLiteral("c.mp3"), "mode=fail\n")};
        TAppForm& form = fx.open(files);
        form.ShowErrorDetails1->setChecked(false);
        form.Button1->click();
        QVERIFY(fx.waitJobStarted());
        form.Jobs().removeRowsAt({1});
        const QString added = fx.input(QStringLiteral("d.mp3"));
        form.Jobs().append(added); // adding stays possible during a run
        QVERIFY(fx.waitIdle());
        QCOMPARE(form.Jobs().caption(0), files[0]);
        QCOMPARE(fx.results(), (QStringList{"OK", "Error", "OK"}));
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("b.lrc"))));
    }

    void removingTheRunningRowEndsTheRunCleanly_data() {
        QTest::addColumn<bool>("clearAll");
        QTest::newRow("delete the row") << false;
        QTest::newRow("clear the list") << true;
    }
    void removingTheRunningRowEndsTheRunCleanly() {
        QFETCH(bool, clearAll);
        ConversionFixture fx;
        const QStringList files{fx.input(QStringLiteral("a.mp3")),
                                fx.input(QStringLiteral("b.mp3"), "mode=slow\n"),
                                fx.input(QStringLiteral("c.mp3"))};
        TAppForm& form = fx.open(files);
        form.Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.Jobs().result(0) == QStringLiteral("OK"), 30000);
        QVERIFY(fx.waitJobStarted());
        if (clearAll)
            form.Jobs().clear();
        else
            form.Jobs().removeRowsAt({1});
        QVERIFY(fx.waitIdle(20000));
        QCOMPARE(fx.results(), clearAll ? QStringList() : (QStringList{"OK", ""}));
        QVERIFY(!QFile::exists(form.WorkFolder() + QStringLiteral("temp.lrc")));
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("b.lrc"))));
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("c.lrc"))));
        QCOMPARE(fx.scripted.dialogs.busyDepth, 0);
    }

    void awkwardPathsReachTheRecognizerUnchanged() {
        ConversionFixture fx;
        const QString argsFile = fx.inputs.filePath(QStringLiteral("args.txt"));
        QVERIFY(QDir(fx.outputFolder()).mkdir(QStringLiteral("out \"q\" dir\\")));
        const QString file =
            fx.input(QStringLiteral("-x \"say\" şarkı\\"), "args_file=" + argsFile.toUtf8() + "\n");
        TAppForm& form = fx.open({file});
        form.Edit1->setText(fx.outputFolder() + QStringLiteral("/out \"q\" dir\\"));
        form.Button1->click();
        QVERIFY(fx.waitIdle());
        QCOMPARE(fx.results(), QStringList{"OK"});
        const QStringList args =
            QString::fromUtf8(ConversionFixture::readFile(argsFile)).split(QLatin1Char('\n'));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("-f")) + 1), file);
        QCOMPARE(args.value(args.indexOf(QStringLiteral("-of")) + 1),
                 form.WorkFolder() + QStringLiteral("temp"));
        QCOMPARE(form.FinalOutputFile(),
                 fx.outputFolder() + QStringLiteral("/out \"q\" dir\\/-x \"say\" şarkı\\.lrc"));
        QVERIFY(QFile::exists(form.FinalOutputFile()));
    }

    void networkInputIsCopiedAndTheCopyRemoved() {
        ConversionFixture fx;
        const QString argsFile = fx.inputs.filePath(QStringLiteral("args.txt"));
        // On this system a name beginning with two backslashes is an ordinary relative name.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fx.inputs.path()));
        const QString caption = QStringLiteral("\\\\srv\\share.d\\Song.MP3");
        ConversionFixture::writeFile(caption,
                                     "#fake-whisper\nargs_file=" + argsFile.toUtf8() + "\n");
        TAppForm& form = fx.open({caption});
        ConversionFixture::writeFile(form.DataFolder() + QStringLiteral("temp.mp3"), "stale copy");
        form.Button1->click();
        const bool idle = fx.waitIdle();
        QDir::setCurrent(previous);
        QVERIFY(idle);
        QCOMPARE(fx.results(), QStringList{"OK"});
        const QStringList args =
            QString::fromUtf8(ConversionFixture::readFile(argsFile)).split(QLatin1Char('\n'));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("-f")) + 1),
                 form.DataFolder() + QStringLiteral("temp.mp3"));
        QVERIFY(!QFile::exists(form.DataFolder() + QStringLiteral("temp.mp3")));
        QCOMPARE(form.FinalOutputFile(),
                 fx.outputFolder() + QStringLiteral("/\\\\srv\\share.d\\Song.lrc"));
    }
};

VELTRINO_TEST_MAIN(TestConversionRun)
#include "test_conversion_run.moc"
