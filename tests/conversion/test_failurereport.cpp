#include "TestEnvironment.h"
#include "app/FailureReport.h"
#include "app/OutputFiles.h"
#include "platform/SystemInfo.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

class TestFailureReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() {
        QLocale::setDefault(QLocale::c());
        setNarrowEncodingForTests(QStringConverter::System);
    }

    void byteSizes_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << ".00 bytes";
        QTest::newRow("1") << qint64(1) << "1.00 bytes";
        QTest::newRow("1024") << qint64(1024) << "1024.00 bytes";
        QTest::newRow("1025") << qint64(1025) << "1.00 KB";
        QTest::newRow("1536") << qint64(1536) << "1.50 KB";
        QTest::newRow("2^20") << (qint64(1) << 20) << "1024.00 KB";
        QTest::newRow("2^20 + 1") << (qint64(1) << 20) + 1 << "1.00 MB";
        QTest::newRow("2^30") << (qint64(1) << 30) << "1024.00 MB";
        QTest::newRow("3.5 GB") << (qint64(7) << 29) << "3.50 GB";
        QTest::newRow("no thousands separator") << (qint64(5000) << 30) << "5000.00 GB";
    }
    void byteSizes() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(FormatByteSize(bytes), text);
    }

    void byteSizeUsesTheUsersDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FormatByteSize(1536), QStringLiteral("1,50 KB"));
        QCOMPARE(FormatByteSize(0), QStringLiteral(",00 bytes"));
        QCOMPARE(FormatByteSize(qint64(5000) << 30), QStringLiteral("5000,00 GB"));
    }

    void repairConsoleText() {
        // A Latin-1 decoding of UTF-8 bytes gives two characters for "é"; the round trip mends it.
        const auto latin1 = QStringConverter::Latin1;
        QCOMPARE(RepairConsoleText(QString::fromLatin1("caf\xC3\xA9"), latin1),
                 QStringLiteral("café"));
        // Text that is not UTF-8 after the re-encoding stays as received.
        QCOMPARE(RepairConsoleText(QString::fromLatin1("caf\xE9"), latin1),
                 QString::fromLatin1("caf\xE9"));
        // The runner reads the console as UTF-8 here, whatever the locale's narrow encoding:
        // what it read is already right, also text that looks like a wrong decoding.
        setNarrowEncodingForTests(QStringConverter::Latin1);
        QCOMPARE(RepairConsoleText(QStringLiteral("café")), QStringLiteral("café"));
        QCOMPARE(RepairConsoleText(QString::fromLatin1("caf\xC3\xA9")),
                 QString::fromLatin1("caf\xC3\xA9"));
        setNarrowEncodingForTests(QStringConverter::Utf8);
    }

    void reportLayout() {
        TFailureFacts facts{QStringLiteral("/m/a.mp3"),
                            QStringLiteral("/o/a.lrc"),
                            QStringLiteral("/p/whisper/ggml-base.bin"),
                            QStringLiteral("1.00 GB"),
                            QString(),
                            QStringLiteral("Some CPU"),
                            {QStringLiteral("line 1"), QStringLiteral("line 2")}};
        QCOMPARE(
            BuildFailureReport(facts),
            QStringLiteral("Input: /m/a.mp3\rOutput: /o/a.lrc\rModel: /p/whisper/ggml-base.bin\r"
                           "Available RAM: 1.00 GB\rAvailable Disk: \rCPU: Some CPU\r\r"
                           "line 1\r\nline 2\r\n"));
        facts.ConsoleLines.clear();
        QVERIFY(BuildFailureReport(facts).endsWith(QStringLiteral("CPU: Some CPU\r\r")));
    }

    void kernelFigures_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("bytes"); // -1: none
        QTest::newRow("kB") << QByteArray("MemTotal: 100 kB\nMemAvailable:    2048 kB\n")
                            << qint64(2048 * 1024);
        QTest::newRow("missing") << QByteArray("MemTotal: 100 kB\n") << qint64(-1);
        QTest::newRow("garbage") << QByteArray("MemAvailable: lots\n") << qint64(-1);
    }
    void kernelFigures() {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, bytes);
        QCOMPARE(platform::parseMemAvailable(meminfo).value_or(-1), bytes);
    }

    void cpuName() {
        QCOMPARE(
            platform::parseCpuModelName("processor\t: 0\nmodel name\t:  Intel(R) Xeon(R) \t\n"),
            QStringLiteral("Intel(R) Xeon(R)"));
        QCOMPARE(platform::parseCpuModelName("processor\t: 0\nHardware\t: BCM\n"),
                 QStringLiteral("Unknown CPU"));
        QVERIFY(!platform::processorName().isEmpty());
    }

    void machineFigures() {
        QVERIFY(FreeMemoryText().endsWith(QStringLiteral("B")));
        QTemporaryDir dir;
        // A folder that does not exist yet is measured on its nearest existing parent.
        QVERIFY(FreeDiskText(dir.filePath(QStringLiteral("not/yet/a.lrc")))
                    .endsWith(QStringLiteral("B")));
        QCOMPARE(FreeDiskText(QString()), QString());
    }
};

VELTRINO_TEST_CORE_MAIN(TestFailureReport)
#include "test_failurereport.moc"
