// A thousand runs in one process leave no child, no zombie and no extra open descriptor; the
// ASan build of this test also shows that they leak no memory.

#include "DosTestSupport.h"
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <sys/wait.h>

class TestDosStress : public QObject {
    Q_OBJECT

    static int openDescriptors() {
        return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                    .size());
    }

private slots:
    void thousandRuns() {
        ScriptedPlatform platformDouble;
        TDosCommand command;
        int terminated = 0;
        int lines = 0;
        command.setOnNewLine([&](TDosCommand*, const QString&, TOutputType) { ++lines; });
        QEventLoop loop;
        command.setOnTerminated([&](TDosCommand*) {
            ++terminated;
            loop.quit();
        });
        // Waits on the event loop itself: a polling wait would cost more than the run.
        const auto waitForEnd = [&](int ATarget) {
            QDeadlineTimer deadline(10000);
            while (terminated < ATarget && !deadline.hasExpired()) {
                QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
                loop.exec();
            }
            return terminated == ATarget;
        };
        const QString normal = dostest::childCommand({"out:hello\\n"});
        const QString stopped = dostest::childCommand({"sleep:60000"});
        const QString missing = QStringLiteral("/nonexistent/veltrino-nothing");
        // One run first, so that lazily opened descriptors (the timer's, Qt's) are counted.
        command.setCommandLine(normal);
        command.Execute();
        QVERIFY(waitForEnd(1));
        const int descriptors = openDescriptors();
        int expectedLines = 1;
        QList<int> statuses(6, 0);
        for (int run = 1; run <= 1000; ++run) {
            const int kind = run % 3;
            command.setCommandLine(kind == 0 ? normal : kind == 1 ? stopped : missing);
            command.Execute();
            if (kind == 1)
                command.Stop();
            QVERIFY(waitForEnd(run + 1));
            ++statuses[command.EndStatus()];
            expectedLines += kind == 0 ? 1 : 0;
        }
        QCOMPARE(lines, expectedLines);
        QCOMPARE(statuses[esProcess], 333);
        QCOMPARE(statuses[esStop], 334);
        QCOMPARE(statuses[esError], 333);
        QCOMPARE(platformDouble.dialogs.boxes.size(), 333);
        QCOMPARE(openDescriptors(), descriptors);
        // No child at all, running or ended: waitid finds none to wait for.
        siginfo_t info{};
        QCOMPARE(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT), -1);
        QCOMPARE(errno, ECHILD);
    }
};

VELTRINO_TEST_CORE_MAIN(TestDosStress)
#include "test_dosstress.moc"
