// TDosCommand against a real child process: lines, ends, stops, limits, input and failures.

#include "DosTestSupport.h"
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using dostest::childCommand;
using dostest::Recorder;

namespace {
// Escapes a chunk for the child's out: step.
QString escaped(const QString& AText) {
    QString out;
    for (const QChar c : AText) {
        if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == QChar(0))
            out += QStringLiteral("\\0");
        else if (c == u'\\')
            out += QStringLiteral("\\\\");
        else
            out += c;
    }
    return out;
}

constexpr int RunTimeout = 20000;
} // namespace

class TestDosCommand : public QObject {
    Q_OBJECT

private slots:
    void init() { platformDouble = std::make_unique<ScriptedPlatform>(); }
    void cleanup() { platformDouble.reset(); }

    void idleState() {
        TDosCommand command;
        QCOMPARE(command.EndStatus(), esNone);
        QVERIFY(!command.IsRunning());
        QCOMPARE(command.Priority(), 32);
        QCOMPARE(command.ExitCode(), 0u);
        // Stop with nothing running does nothing.
        command.Stop();
        QCOMPARE(command.EndStatus(), esNone);
    }

    void misuse_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("sendLine");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty command line") << "" << false << "No Commandline to execute";
        QTest::newRow("send with no run") << "x" << true << "DosCommand not running";
    }

    void misuse() {
        QFETCH(QString, commandLine);
        QFETCH(bool, sendLine);
        QFETCH(QString, message);
        TDosCommand command;
        command.setCommandLine(commandLine);
        try {
            if (sendLine)
                command.SendLine(QStringLiteral("x"), true);
            else
                command.Execute();
            QFAIL("no exception");
        } catch (const EDosCommand& e) {
            QCOMPARE(e.message(), message);
        }
        QVERIFY(!command.IsRunning());
        QCOMPARE(command.EndStatus(), esNone);
    }

    // Each chunk is written by the child in one write; the next one only after the reader has
    // taken the previous one, so the chunks arrive as separate reads. Every case runs with and
    // without an OnNewChar handler, which take different paths through the line splitting.
    void lineSplitting_data() {
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("withChars");
        struct Case {
            const char* name;
            QStringList chunks, events, lines;
        };
        const QList<Case> cases{
            {"CR LF in one read", {"a\r\nb\n"}, {"E:a", "E:b"}, {"a", "b"}},
            {"CR | LF across reads", {"a\r", "\nb\n"}, {"E:a", "E:b"}, {"a", "b"}},
            {"CR-only progress", {"10%\r20%\r"}, {"E:10%", "E:20%"}, {"10%", "20%"}},
            {"empty line", {"a\n\nb\n"}, {"E:a", "E:", "E:b"}, {"a", "", "b"}},
            {"beginning then entire", {"12", "3\n"}, {"B:12", "E:123"}, {"123"}},
            {"growing partial", {"1", "2", "3\n"}, {"B:1", "B:12", "E:123"}, {"123"}},
            {"NUL dropped", {QString::fromUtf8("a\0b\0\n", 5)}, {"E:ab"}, {"ab"}},
            {"NUL in a carried line",
             {QString::fromUtf8("x\0", 2), QString::fromUtf8("y\0z\n", 4)},
             {"B:x", "E:xyz"},
             {"xyz"}},
            {"ok without line end", {"ok"}, {"B:ok", "E:ok"}, {"ok"}},
        };
        for (const Case& c : cases)
            for (const bool withChars : {true, false})
                QTest::addRow("%s%s", c.name, withChars ? " (chars)" : "")
                    << c.chunks << c.events << c.lines << withChars;
    }

    void lineSplitting() {
        QFETCH(QStringList, chunks);
        QFETCH(QStringList, events);
        QFETCH(QStringList, lines);
        QFETCH(bool, withChars);
        QStringList steps;
        QList<int> handshakeAt; // bytes read when the child may go on
        int total = 0;
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            steps << QStringLiteral("out:") + escaped(chunks[i]);
            total += static_cast<int>(chunks[i].size());
            if (i + 1 < chunks.size()) {
                steps << QStringLiteral("wait");
                handshakeAt << total;
            }
        }
        steps << QStringLiteral("exit:7");
        TDosCommand command;
        QStringList outside{QStringLiteral("earlier")};
        command.setOutputLines(&outside);
        Recorder rec;
        rec.attach(command, withChars);
        int bytesRead = 0; // reader thread only
        command.setOnCharDecoding([&](QObject*, const QByteArray& ABuf) {
            bytesRead += static_cast<int>(ABuf.size());
            if (handshakeAt.contains(bytesRead))
                QMetaObject::invokeMethod(
                    &command, [&] { command.SendLine(QString(), true); }, Qt::QueuedConnection);
            return QString::fromUtf8(ABuf);
        });
        command.setCommandLine(childCommand(steps));
        command.Execute();
        QVERIFY(command.IsRunning());
        QCOMPARE(command.EndStatus(), esStill_Active);
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events, events + QStringList{"T"});
        QCOMPARE(command.Lines(), lines);
        QCOMPARE(outside, QStringList{"earlier"} + lines);
        QCOMPARE(rec.chars, withChars ? chunks.join(QString()) : QString());
        QCOMPARE(command.EndStatus(), esProcess);
        QCOMPARE(command.ExitCode(), 7u);
        QCOMPARE(command.ProcessInformation().hProcess, -1);
        QVERIFY(command.ProcessInformation().dwProcessId > 0);
    }

    void chunksOfAtMost1024() {
        TDosCommand command;
        QList<int> sizes; // written on the reader thread, read after the run
        command.setOnCharDecoding([&](QObject*, const QByteArray& ABuf) {
            sizes.append(static_cast<int>(ABuf.size()));
            return QString::fromLatin1(ABuf);
        });
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({QStringLiteral("fill:2500:x:\\n")}));
        command.Execute();
        // The handler may not change during a run.
        QVERIFY_THROWS_EXCEPTION(EDosCommand, command.setOnCharDecoding({}));
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        int sum = 0;
        for (const int s : sizes) {
            QVERIFY(s <= 1024);
            sum += s;
        }
        QCOMPARE(sum, 2501);
        QVERIFY(sizes.size() >= 3);
        QCOMPARE(command.Lines(), QStringList{QString(2500, u'x')});
    }

    void characterAcrossChunkBoundary() {
        // 1023 bytes, then the two bytes of é: the first read ends inside the character.
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({QStringLiteral("fill:1023:a:\\xc3\\xa9\\n")}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(command.Lines(), QStringList{QString(1023, u'a') + QChar(0xE9)});
    }

    void executeWhileRunning() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString&, TOutputType) {
            try {
                command.Execute();
                QFAIL("no exception");
            } catch (const EDosCommand& e) {
                QCOMPARE(e.message(), QStringLiteral("DosCommand still running"));
            }
            command.SendLine(QStringLiteral("go"), true);
        };
        command.setCommandLine(childCommand({"out:first\\n", "wait", "out:second\\n"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events, (QStringList{"E:first", "E:second", "T"}));
        QCOMPARE(command.EndStatus(), esProcess);
    }

    void executeFromOnTerminated() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        QList<bool> runningOnEntry, runningAfter;
        rec.onTerminated = [&] {
            runningOnEntry << command.IsRunning();
            if (rec.terminated == 1) {
                command.setCommandLine(childCommand({"out:two\\n"}));
                command.Execute();
            }
            runningAfter << command.IsRunning();
        };
        command.setCommandLine(childCommand({"out:one\\n"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 2, RunTimeout);
        QCOMPARE(rec.events, (QStringList{"E:one", "T", "E:two", "T"}));
        QCOMPARE(runningOnEntry, (QList<bool>{false, false}));
        QCOMPARE(runningAfter, (QList<bool>{true, false}));
        QCOMPARE(command.Lines(), QStringList{"two"});
    }

    void stopMidRun() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString&, TOutputType) { command.Stop(); };
        command.setCommandLine(childCommand({"out:one\\ntwo\\n", "sleep:60000"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        // Both lines were taken in one piece before the stop, so both arrive, then the end.
        QCOMPARE(rec.events, (QStringList{"E:one", "E:two", "T"}));
        QCOMPARE(command.EndStatus(), esStop);
        QCOMPARE(command.ExitCode(), 0u);
        const pid_t pid = static_cast<pid_t>(command.ProcessInformation().dwProcessId);
        QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH); // killed and reaped
    }

    void keptAliveByOnTerminateProcess() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        int asked = 0;
        command.setOnTerminateProcess([&](TDosCommand*, bool& ACanTerminate) {
            ++asked;
            QVERIFY(ACanTerminate);
            ACanTerminate = false;
        });
        rec.onLine = [&](const QString&, TOutputType) { command.Stop(); };
        command.setCommandLine(childCommand({"out:up\\n", "wait"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(asked, 1);
        QCOMPARE(command.EndStatus(), esStop);
        QCOMPARE(command.ExitCode(), 259u);
        const pid_t pid = static_cast<pid_t>(command.ProcessInformation().dwProcessId);
        QCOMPARE(::kill(pid, 0), 0); // still running, unattached
        ::kill(pid, SIGKILL);
    }

    void timeLimit_data() {
        QTest::addColumn<int>("afterBeginning");
        QTest::addColumn<int>("afterLastOutput");
        QTest::addColumn<int>("atLeastMs");
        // A limit of N seconds is exceeded by tick N + 1.
        QTest::newRow("since beginning, 3 s") << 3 << 0 << 3500;
        // An unfinished line is no output for this limit.
        QTest::newRow("since last line, 1 s") << 0 << 1 << 1500;
    }

    void timeLimit() {
        QFETCH(int, afterBeginning);
        QFETCH(int, afterLastOutput);
        QFETCH(int, atLeastMs);
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setMaxTimeAfterBeginning(afterBeginning);
        command.setMaxTimeAfterLastOutput(afterLastOutput);
        command.setCommandLine(childCommand({"out:start\\n", "out:more", "sleep:60000"}));
        QElapsedTimer clock;
        clock.start();
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QVERIFY2(clock.elapsed() >= atLeastMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(command.EndStatus(), esTime);
        QCOMPARE(command.ExitCode(), 0u);
        QCOMPARE(rec.events.first(), QStringLiteral("E:start"));
        // The unfinished line is completed at the end, one way or the other.
        QCOMPARE(rec.events.mid(rec.events.size() - 2), (QStringList{"E:more", "T"}));
        QCOMPARE(command.Lines(), (QStringList{"start", "more"}));
    }

    void writeFailureEndsTheRun() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString&, TOutputType) {
            command.SendLine(QStringLiteral("x"), true);
        };
        command.setCommandLine(childCommand({"closein", "out:ready\\n", "sleep:60000"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(command.EndStatus(), esError);
        const auto& boxes = platformDouble->dialogs.boxes;
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text,
                 QStringLiteral("Exception\r\nFailed to write to pipe. Error code: %1").arg(EPIPE));
        // A failed run leaves no child behind.
        const pid_t pid = static_cast<pid_t>(command.ProcessInformation().dwProcessId);
        QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH);
    }

    void sendLine_data() {
        QTest::addColumn<QStringList>("texts"); // "_" prefix: with line end
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("hex");
        QTest::newRow("with line end") << QStringList{"_abc"} << 5 << "6162630d0a";
        QTest::newRow("without line end") << QStringList{" abc"} << 3 << "616263";
        QTest::newRow("empty line dropped, next sent")
            << QStringList{" ", " xyz", "_"} << 5 << "78797a0d0a";
    }

    void sendLine() {
        QFETCH(QStringList, texts);
        QFETCH(int, bytes);
        QFETCH(QString, hex);
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({QStringLiteral("hexin:%1").arg(bytes)}));
        command.Execute();
        for (const QString& t : texts)
            command.SendLine(t.mid(1), t.startsWith(u'_'));
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events, (QStringList{"E:in:" + hex, "T"}));
    }

    void largeLineToAnAnsweringChild() {
        // The child writes back what it reads; a line larger than both pipes together only gets
        // through while its answer is being taken.
        // No line handler: the growing partial line is announced in every chunk, which a
        // recording handler would copy again and again.
        TDosCommand command;
        int terminated = 0;
        command.setOnTerminated([&](TDosCommand*) { ++terminated; });
        command.setCommandLine(childCommand({"echo"}));
        command.Execute();
        const QString line(300000, QLatin1Char('x'));
        command.SendLine(line, true);
        QTRY_VERIFY_WITH_TIMEOUT(command.Lines().contains(line), RunTimeout);
        command.Stop();
        QTRY_COMPARE_WITH_TIMEOUT(terminated, 1, RunTimeout);
    }

    void inputEchoCompletesThePrompt() {
        TDosCommand command;
        QStringList outside;
        command.setOutputLines(&outside);
        command.setInputToOutput(true);
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString& ALine, TOutputType AType) {
            if (AType == otBeginningOfLine && ALine == QStringLiteral("Name: "))
                command.SendLine(QStringLiteral("bob"), true);
        };
        command.setCommandLine(childCommand({"out:first\\nName:\\x20", "hexin:5"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events,
                 (QStringList{"E:first", "B:Name: ", "E:Name: bob", "E:in:626f620d0a", "T"}));
        QCOMPARE(outside, (QStringList{"first", "Name: bob", "in:626f620d0a"}));
        QCOMPARE(command.Lines(), (QStringList{"first", "in:626f620d0a"}));
    }

    void missingProgram_data() {
        QTest::addColumn<bool>("handled");
        QTest::newRow("message box") << false;
        QTest::newRow("OnExecuteError handles it") << true;
    }

    void missingProgram() {
        QFETCH(bool, handled);
        const QString line = QStringLiteral("/nonexistent/veltrino-nothing --flag");
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        QStringList errors;
        command.setOnExecuteError([&](TDosCommand*, const Exception& AE, bool& AHandled) {
            errors << exceptionClassName(AE) + u'|' + AE.message();
            QVERIFY(!command.IsRunning());
            AHandled = handled;
        });
        int boxesAtEnd = -1;
        rec.onTerminated = [&] {
            boxesAtEnd = static_cast<int>(platformDouble->dialogs.boxes.size());
        };
        command.setCommandLine(line);
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        const QString message =
            QStringLiteral("Error creating Process: %1 - (No such file or directory)").arg(line);
        QCOMPARE(errors, QStringList{"ECreateProcessError|" + message});
        QCOMPARE(rec.events, QStringList{"T"});
        QCOMPARE(command.EndStatus(), esError);
        QCOMPARE(command.ExitCode(), 0u);
        const auto& boxes = platformDouble->dialogs.boxes;
        QCOMPARE(boxesAtEnd, handled ? 0 : 1);
        if (!handled) {
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, "ECreateProcessError\r\n" + message);
            QCOMPARE(boxes[0].caption,
                     QFileInfo(QCoreApplication::applicationFilePath()).fileName());
            QCOMPARE(boxes[0].flags, 0x2010);
        }
    }

    void pipeFailure() {
#ifdef __SANITIZE_ADDRESS__
        // The sanitizers' own checks open pipes, and this test takes every descriptor away; it
        // runs in the ThreadSanitizer tree (tools/tsan-process.sh) instead.
        QSKIP("needs a build without AddressSanitizer");
#endif
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({"out:x\\n"}));
        // Leave exactly the four descriptors that Execute takes (the run timer's event and the
        // worker's three), so that the worker's pipes are the first thing to fail.
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = 128;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        QList<int> filler;
        for (int fd; (fd = ::dup(0)) >= 0;)
            filler << fd;
        for (int i = 0; i < 4; ++i)
            ::close(filler.takeLast());
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        for (const int fd : filler)
            ::close(fd);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QCOMPARE(command.EndStatus(), esError);
        QCOMPARE(rec.events, QStringList{"T"});
        const auto& boxes = platformDouble->dialogs.boxes;
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, "ECreatePipeError\r\nError creating Pipe: " +
                                    QString::fromLocal8Bit(std::strerror(EMFILE)));
    }

    void programPathWithBlanks_data() {
        QTest::addColumn<bool>("quoted");
        QTest::newRow("quoted") << true;
        QTest::newRow("unquoted") << false;
    }

    void programPathWithBlanks() {
        QFETCH(bool, quoted);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dir with blanks")));
        const QString program = dir.path() + QStringLiteral("/dir with blanks/test child");
        QVERIFY(QFile::copy(dostest::childPath(), program));
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine((quoted ? '"' + program + '"' : program) +
                               QStringLiteral(" out:hi\\n args \"a b\""));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(command.Lines(), (QStringList{"hi", "arg:612062"}));
        QCOMPARE(command.EndStatus(), esProcess);
    }

    void argumentsRoundTrip() {
        const QStringList args{"plain", "two words", "say \"hi\"", "C:\\path\\", "a\\\\\"b",
                               "",      "\\\"",      "tab\there",  "ünïcode"};
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand(QStringList{"args"} + args));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QStringList expected;
        for (const QString& a : args)
            expected << QStringLiteral("arg:") + QString::fromLatin1(a.toUtf8().toHex());
        QCOMPARE(command.Lines(), expected);
    }

    void folderEnvironmentAndPriority() {
        QTemporaryDir dir;
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCurrentDir(dir.path());
        command.Environment() << QStringLiteral("VELTRINO_RUNNER_TEST=yes");
        command.setPriority(0x40); // IDLE_PRIORITY_CLASS: the lowest
        command.setCommandLine(
            childCommand({"pwd", "env:VELTRINO_RUNNER_TEST", "env:HOME", "nice"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(command.Lines(), (QStringList{QFileInfo(dir.path()).canonicalFilePath(), "yes",
                                               testenv::home(), "19"}));
    }

    void environmentAsItWasWhenTheRunStarted() {
        // The worker starts the child later, on its own thread; a change made meanwhile on the
        // interface thread is not the child's.
        qputenv("VELTRINO_RUNNER_LATE", "at start");
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({"env:VELTRINO_RUNNER_LATE"}));
        command.Execute();
        qputenv("VELTRINO_RUNNER_LATE", "changed afterwards");
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        qunsetenv("VELTRINO_RUNNER_LATE");
        QCOMPARE(command.Lines(), QStringList{"at start"});
    }

    void destroyedDuringRun() {
        auto command = std::make_unique<TDosCommand>();
        Recorder rec;
        rec.attach(*command);
        command->setOnTerminateProcess([&](TDosCommand*, bool& ACanTerminate) {
            ACanTerminate = false; // must not keep the child of a destroyed component
        });
        command->setCommandLine(childCommand({"out:up\\n", "sleep:60000"}));
        command->Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.events.size(), 1, RunTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(command->ProcessInformation().dwProcessId > 0, RunTimeout);
        const pid_t pid = static_cast<pid_t>(command->ProcessInformation().dwProcessId);
        command.reset();
        QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH);
        // Nothing queued by the ended run reaches anyone afterwards.
        QCoreApplication::processEvents();
        QCOMPARE(rec.events, QStringList{"E:up"});
        QCOMPARE(rec.terminated, 0);
    }

    void processLeftBehindCannotHoldTheRun() {
        // The child ends at once; what it started keeps the output open and writes every 0.3 s.
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        command.setCommandLine(childCommand({"out:done\\n", "linger"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(command.EndStatus(), esProcess);
        QCOMPARE(command.Lines().value(0), QStringLiteral("done"));
    }

    void destroyedByItsOwnLineHandler() {
        // Three lines arrive in one delivery; the first one's handler destroys the component.
        auto* command = new TDosCommand;
        QStringList seen;
        command->setOnNewLine([&](TDosCommand*, const QString& ALine, TOutputType) {
            seen << ALine;
            delete command;
        });
        command->setCommandLine(childCommand({"out:a\\nb\\nc\\n", "sleep:60000"}));
        command->Execute();
        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty(), RunTimeout);
        QCoreApplication::processEvents();
        QCOMPARE(seen, QStringList{"a"});
    }

    void handlerRunningTheEventLoopKeepsOrder() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString& ALine, TOutputType) {
            if (ALine != QStringLiteral("a"))
                return;
            command.SendLine(QString(), true);
            // The rest of the run arrives meanwhile; none of it may overtake this handler.
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            rec.events << QStringLiteral("end of a");
        };
        command.setCommandLine(childCommand({"out:a\\n", "wait", "out:b\\n"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events, (QStringList{"E:a", "end of a", "E:b", "T"}));
    }

    void handlerExceptionShownAndDeliveryGoesOn() {
        TDosCommand command;
        Recorder rec;
        rec.attach(command);
        rec.onLine = [&](const QString& ALine, TOutputType) {
            if (ALine == QStringLiteral("a"))
                throw Exception(QStringLiteral("handler failed"));
        };
        command.setCommandLine(childCommand({"out:a\\nb\\n"}));
        command.Execute();
        QTRY_COMPARE_WITH_TIMEOUT(rec.terminated, 1, RunTimeout);
        QCOMPARE(rec.events, (QStringList{"E:a", "E:b", "T"}));
        QCOMPARE(platformDouble->dialogs.exceptions, QStringList{"handler failed"});
    }

private:
    std::unique_ptr<ScriptedPlatform> platformDouble;
};

VELTRINO_TEST_CORE_MAIN(TestDosCommand)
#include "test_doscommand.moc"
