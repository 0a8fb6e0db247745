// The runner's building blocks on their own: buffers, events, the run timer, the pipe reader and
// the command-line split.

#include "DosTestSupport.h"
#include "TestEnvironment.h"
#include "process/ChildProcess.h"
#include "process/DosBuffers.h"
#include "process/ReadPipe.h"

#include <QSet>
#include <QTest>

#include <mutex>
#include <unistd.h>

using dosprocess::SplitCommandLine;

class TestDosBuffers : public QObject {
    Q_OBJECT

private slots:
    void syncStringDeleteAll() {
        TSyncString s;
        s.Add(QStringLiteral("abc"));
        s.Add(QString());
        s.Add(QStringLiteral("de"));
        QCOMPARE(s.Length(), 5);
        s.Delete(2, 2);
        QCOMPARE(s.Value(), QStringLiteral("ade"));
        s.Delete(1, s.Length());
        QCOMPARE(s.Length(), 0);
        QVERIFY(s.Value().isEmpty());
    }

    void inputLinesSignalCollapses() {
        TInputLines lines;
        QVERIFY(!lines.Event().IsSet());
        QCOMPARE(lines.Add(QStringLiteral("_a")), 0);
        QVERIFY(lines.Event().IsSet());
        QCOMPARE(lines.Add(QStringLiteral(" b")), 1);
        lines.Event().Consume();
        // Two adds, one wait: the second signal was folded into the first.
        QVERIFY(!lines.Event().IsSet());
        QCOMPARE(lines.Count(), 2);
        lines.Delete(0);
        QCOMPARE(lines.Strings(0), QStringLiteral(" b"));
    }

    void manualResetEventStaysSet() {
        TEvent event(TEvent::ManualReset);
        event.SetEvent();
        event.Consume();
        QVERIFY(event.IsSet());
    }

    void timerCounts() {
        TProcessTimer timer;
        timer.Beginning();
        QVERIFY(timer.Enabled());
        for (int i = 0; i < 3; ++i)
            timer.Tick();
        QCOMPARE(timer.SinceBeginning(), 3);
        QCOMPARE(timer.SinceLastOutput(), 3);
        QVERIFY(timer.Event().IsSet());
        timer.NewOutput();
        timer.Tick();
        QCOMPARE(timer.SinceBeginning(), 4);
        QCOMPARE(timer.SinceLastOutput(), 1);
        // Beginning again: counters back to 0, the timer keeps running.
        timer.Beginning();
        QCOMPARE(timer.SinceBeginning(), 0);
        QVERIFY(timer.Enabled());
        timer.Ending();
        timer.Ending();
        QVERIFY(!timer.Enabled());
    }

    void timerTicksFromTheEventLoop() {
        TProcessTimer timer;
        timer.Beginning();
        QTRY_VERIFY_WITH_TIMEOUT(timer.SinceBeginning() >= 1, 5000);
        timer.Ending();
    }

    void readerChunksAndEnd() {
        int ends[2];
        QCOMPARE(::pipe(ends), 0);
        const QByteArray data(2500, 'x');
        QCOMPARE(::write(ends[1], data.constData(), data.size()), 2500);
        ::close(ends[1]);
        std::mutex lock;
        QList<int> sizes;
        TReadPipe reader(ends[0], [&](const QByteArray& ABuf) {
            const std::lock_guard guard(lock);
            sizes.append(static_cast<int>(ABuf.size()));
            return QString::fromLatin1(ABuf);
        });
        QTRY_VERIFY_WITH_TIMEOUT(reader.AtEnd(), 5000);
        reader.Terminate();
        reader.WaitFor();
        ::close(ends[0]);
        QCOMPARE(sizes, (QList<int>{1024, 1024, 452}));
        QCOMPARE(reader.ReadString().Take(), QString::fromLatin1(data));
    }

    void split_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        const QString blank = QStringLiteral("/opt/dir with blanks/prog name");
        QTest::newRow("plain") << "prog a b"
                               << "prog" << QStringList{"a", "b"};
        QTest::newRow("blanks collapse") << "  prog   a \t b  "
                                         << "prog" << QStringList{"a", "b"};
        QTest::newRow("quoted program") << "\"/x y/p\" z"
                                        << "/x y/p" << QStringList{"z"};
        QTest::newRow("quoted argument") << "p \"a b\" c"
                                         << "p" << QStringList{"a b", "c"};
        QTest::newRow("escaped quote") << "p a\\\"b"
                                       << "p" << QStringList{"a\"b"};
        QTest::newRow("backslashes kept") << "p C:\\dir\\ x"
                                          << "p" << QStringList{"C:\\dir\\", "x"};
        QTest::newRow("even backslashes then quote") << "p \"a\\\\\" b"
                                                     << "p" << QStringList{"a\\", "b"};
        QTest::newRow("empty argument") << "p \"\" x"
                                        << "p" << QStringList{"", "x"};
        QTest::newRow("quote run") << "p \"a\"\"\"b\""
                                   << "p" << QStringList{"a\"b"};
        QTest::newRow("unquoted path with blanks")
            << blank + " -x \"y z\"" << blank << QStringList{"-x", "y z"};
        QTest::newRow("unquoted path, first part exists") << "/opt/dir with"
                                                          << "/opt/dir" << QStringList{"with"};
        QTest::newRow("no such path") << "/nope/a b"
                                      << "/nope/a" << QStringList{"b"};
    }

    void split() {
        QFETCH(QString, line);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const QSet<QString> files{QStringLiteral("/opt/dir with blanks/prog name"),
                                  QStringLiteral("/opt/dir")};
        const auto exists = [&](const QString& p) {
            return files.contains(p) &&
                   (p != QStringLiteral("/opt/dir") || line == "/opt/dir with");
        };
        const auto split = SplitCommandLine(line, exists);
        QCOMPARE(split.program, program);
        QCOMPARE(split.arguments, arguments);
    }

    void quotingRoundTrips_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("simple") << QStringList{"a", "b c"};
        QTest::newRow("quotes") << QStringList{"say \"hi\"", "\"", "\"\""};
        QTest::newRow("backslashes") << QStringList{"C:\\path\\", "a\\\\\"b", "\\", "x\\ y\\"};
        QTest::newRow("empty and tabs") << QStringList{"", "\t", "a\tb"};
    }

    void quotingRoundTrips() {
        QFETCH(QStringList, args);
        QString line = QStringLiteral("prog");
        for (const QString& a : args)
            line += u' ' + dostest::quoteArgument(a);
        const auto split = SplitCommandLine(line, [](const QString&) { return false; });
        QCOMPARE(split.program, QStringLiteral("prog"));
        QCOMPARE(split.arguments, args);
    }

    void exceptionClassNames() {
        QCOMPARE(exceptionClassName(ECreateProcessError(QString())),
                 QStringLiteral("ECreateProcessError"));
        QCOMPARE(exceptionClassName(Exception(QString())), QStringLiteral("Exception"));
    }
};

VELTRINO_TEST_CORE_MAIN(TestDosBuffers)
#include "test_dosbuffers.moc"
