#include "TestEnvironment.h"
#include "app/ConsoleParsing.h"

#include <QLocale>
#include <QtTest>

class TestConsoleParsing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void duration_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("seconds");
        QTest::newRow("plain rule")
            << "main: processing x (120000 samples, 77.2 sec), more" << 77.2;
        QTest::newRow("no blank before sec") << "main: processing x (7.5sec)" << 0.0;
        QTest::newRow("not a processing line")
            << "whisper: processing x (1 samples, 3.0 sec)" << 0.0;
        QTest::newRow("case matters") << "Main: processing x (1 samples, 3.0 sec)" << 0.0;
        QTest::newRow("no sec") << "main: processing x" << 0.0;
        QTest::newRow("no space before number") << "main: processing 5.0 sec" << 5.0;
        QTest::newRow("number at line start") << "main: processing" << 0.0;
        QTest::newRow("not a number") << "main: processing x (a, b sec)" << 0.0;
        QTest::newRow("tool's own line")
            << "main: processing '/m/song.mp3' (480000 samples, 30.0 sec), 2 threads, 1 "
               "processors, "
               "5 beams + best of 5, lang = en, task = transcribe, timestamps = 1 ..."
            << 30.0;
        QTest::newRow("name that looks like a length")
            << "main: processing '/m/30 sec ad.mp3' (1920000 samples, 120.0 sec), 4 threads"
            << 120.0;
        QTest::newRow("name with sec and no number")
            << "main: processing '/m/my sec.mp3' (160000 samples, 10.0 sec), 4 threads" << 10.0;
        QTest::newRow("name with quote and group")
            << "main: processing '/m/it' (3 samples, 9 sec)s.mp3' (16000 samples, 1.0 sec), 4 "
               "threads"
            << 1.0;
        QTest::newRow("quoted path without group")
            << "main: processing '/m/a.mp3', 12.5 sec" << 12.5;
    }
    void duration() {
        QFETCH(QString, line);
        QFETCH(double, seconds);
        QCOMPARE(ParseDurationLine(line), seconds);
    }

    void durationIgnoresTheUsersDecimalComma() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(ParseDurationLine(QStringLiteral("main: processing x (1 samples, 77.2 sec)")),
                 77.2);
        QCOMPARE(ParseSegmentEnd(QStringLiteral("[00:00:00.000 --> 00:00:01.500]")), 1.5);
        QLocale::setDefault(before);
    }

    void segmentEnd_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("seconds");
        QTest::newRow("example") << "[00:01:02.500 --> 00:01:05.250]  text" << 65.25;
        QTest::newRow("hours") << "[00:00:00.000 --> 02:00:00.001]" << 7200.001;
        QTest::newRow("no arrow") << "[00:00:00.000 -> 00:00:01.000]" << 0.0;
        QTest::newRow("no bracket") << "[00:00:00.000 --> 00:00:01.000" << 0.0;
        QTest::newRow("bracket before arrow") << "] --> 00:00:01.000]" << 0.0;
        QTest::newRow("short stamp") << "[00:00:00.000 --> 0:00:01.000]" << 0.0;
        QTest::newRow("separators not examined") << "[x --> 00x01x02x500]" << 62.5;
        QTest::newRow("unreadable field is 0") << "[x --> aa:01:02.500]" << 62.5;
        QTest::newRow("zero end") << "[00:00:00.000 --> 00:00:00.000] hi" << 0.0;
        QTest::newRow("first bracket counts") << "a] [00:00:00.000 --> 00:00:01.000]" << 0.0;
    }
    void segmentEnd() {
        QFETCH(QString, line);
        QFETCH(double, seconds);
        QCOMPARE(ParseSegmentEnd(line), seconds);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("49.5") << 49.5 << 50;
        QTest::newRow("50.5") << 50.5 << 50;
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("33.4") << 33.4 << 33;
        QTest::newRow("66.6") << 66.6 << 67;
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(RoundHalfEven(value), rounded);
    }

    void progress_data() {
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("position"); // -1: unchanged
        QTest::newRow("half") << 5.0 << 10.0 << 50;
        QTest::newRow("past the end capped") << 15.0 << 10.0 << 100;
        QTest::newRow("half to even") << 101.0 << 200.0 << 50;
        QTest::newRow("duration unknown") << 3.0 << 0.0 << -1;
    }
    void progress() {
        QFETCH(double, end);
        QFETCH(double, duration);
        QFETCH(int, position);
        QCOMPARE(ProgressPosition(end, duration).value_or(-1), position);
    }
};

VELTRINO_TEST_CORE_MAIN(TestConsoleParsing)
#include "test_consoleparsing.moc"
