#include "TestEnvironment.h"
#include "app/RecognizerOutput.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

class TestRecognizerOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseDurationLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("seconds");
        const QString tail = QStringLiteral(", 4 threads, 1 processors, 5 beams + best of 5, "
                                            "lang = auto, task = transcribe, timestamps = 1 ...");
        QTest::newRow("plain example")
            << "main: processing x (120000 samples, 77.2 sec), more" << 77.2;
        QTest::newRow("no blank before sec") << "main: processing x (7.5sec)" << 0.0;
        QTest::newRow("tool's own line")
            << "main: processing '/music/song.wav' (176000 samples, 11.0 sec)" + tail << 11.0;
        QTest::newRow("name with a number before sec")
            << "main: processing '/m/30 sec ad.mp3' (48000 samples, 3.0 sec)" + tail << 3.0;
        QTest::newRow("name with a word before sec")
            << "main: processing '/m/my sec.mp3' (1392000 samples, 87.0 sec)" + tail << 87.0;
        QTest::newRow("name holding a look-alike group")
            << "main: processing '/m/x (9 samples, 99.0 sec).wav' (16000 samples, 1.0 sec)" + tail
            << 1.0;
        QTest::newRow("non-ASCII name")
            << QString::fromUtf8("main: processing '/m/şarkı ğ.flac' (4000 samples, 0.3 sec)") +
                   tail
            << 0.3;
        QTest::newRow("no group: number before the first sec")
            << "main: processing x 12.5 sec" << 12.5;
        QTest::newRow("no group: the plain rule, even on a name")
            << "main: processing 30 sec ad.mp3" << 30.0;
        QTest::newRow("comma is no decimal point")
            << "main: processing x (16000 samples, 1,5 sec)" << 0.0;
        QTest::newRow("word before sec") << "main: processing abc sec" << 0.0;
        QTest::newRow("not finite") << "main: processing x inf sec" << 0.0;
        QTest::newRow("no sec") << "main: processing '/a.wav'" << 0.0;
        QTest::newRow("not at the start") << " main: processing x (16000 samples, 1.0 sec)" << 0.0;
        QTest::newRow("case matters") << "Main: processing x (16000 samples, 1.0 sec)" << 0.0;
        QTest::newRow("other line") << "whisper_print_timings: total time = 5.0 sec" << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
    }

    void parseDurationLine() {
        QFETCH(QString, line);
        QFETCH(double, seconds);
        // A user locale with a decimal comma must not change how the tool's "." is read.
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const double got = ParseDurationLine(line);
        QLocale::setDefault(saved);
        QCOMPARE(got, seconds);
    }
};

VELTRINO_TEST_CORE_MAIN(TestRecognizerOutput)
#include "test_recognizer_output.moc"
