// Console flood: a child prints 1,000,000 lines of 80 characters. Our TDosCommand and QProcess
// (reading lines) take the same flood; for each the program prints the lines per second reaching
// the line handler, the worst stall of the interface event loop (the longest gap between the
// ticks of a 1 ms timer) and the most memory held in flight (heap in use beyond what the
// delivered lines themselves take). A second round repeats it with a slow line handler, where
// the interface is slower than the child.
//
//   dosflood [lines] [width] [slow-lines] [ours|qprocess]
// The program also serves as the flooding child: dosflood --child LINES WIDTH.

#include "process/DosCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

int floodChild(long ALines, int AWidth) {
    const std::string line = std::string(static_cast<size_t>(AWidth), 'x') + "\n";
    std::string block;
    for (long n = 0; n < ALines; ++n) {
        block += line;
        if (block.size() >= 65536 || n + 1 == ALines) {
            size_t done = 0;
            while (done < block.size()) {
                const ssize_t r = ::write(1, block.data() + done, block.size() - done);
                if (r <= 0)
                    return 1;
                done += static_cast<size_t>(r);
            }
            block.clear();
        }
    }
    return 0;
}

qint64 heapInUse() {
    return static_cast<qint64>(mallinfo2().uordblks);
}

// Busy work standing in for an interface that handles each line slowly.
void spin(std::chrono::microseconds AFor) {
    const auto until = std::chrono::steady_clock::now() + AFor;
    while (std::chrono::steady_clock::now() < until) {
    }
}

struct Figures {
    long lines = 0;
    double seconds = 1e-9;
    qint64 worstStallMs = 0;
    double peakInFlightMb = 0;
};

// Runs AStart, which must call ADone when the flood has been delivered, while a 1 ms timer
// measures the event loop and samples the heap.
Figures
measure(const std::function<void(long& ALines, const std::function<void()>& ADone)>& AStart) {
    Figures f;
    QEventLoop loop;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    const qint64 heap0 = heapInUse();
    struct Sample {
        long lines;
        qint64 heap;
    };
    std::vector<Sample> samples;
    QElapsedTimer sinceSample;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        f.worstStallMs = std::max(f.worstStallMs, sinceTick.restart());
        // Reading the heap walks the allocator's lists: too dear for every tick.
        if (sinceSample.elapsed() >= 100) {
            samples.push_back({f.lines, heapInUse() - heap0});
            sinceSample.restart();
        }
    });
    clock.start();
    sinceTick.start();
    sinceSample.start();
    probe.start();
    AStart(f.lines, [&] { loop.quit(); });
    loop.exec();
    f.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    probe.stop();
    // What each delivered line keeps (the handlers keep every line, as Lines does).
    const double perLine =
        f.lines > 0 ? static_cast<double>(heapInUse() - heap0) / static_cast<double>(f.lines) : 0;
    qint64 peak = 0;
    for (const Sample& s : samples)
        peak = std::max(peak, s.heap - static_cast<qint64>(perLine * static_cast<double>(s.lines)));
    f.peakInFlightMb = static_cast<double>(peak) / (1024.0 * 1024.0);
    return f;
}

Figures runOurs(const QString& ACommandLine, std::chrono::microseconds ASlow) {
    TDosCommand command;
    return measure([&](long& ALines, const std::function<void()>& ADone) {
        command.setOnNewLine([&ALines, ASlow](TDosCommand*, const QString&, TOutputType AType) {
            if (AType == otEntireLine)
                ++ALines;
            if (ASlow.count() > 0)
                spin(ASlow);
        });
        command.setOnTerminated([ADone](TDosCommand*) { ADone(); });
        command.setCommandLine(ACommandLine);
        command.Execute();
    });
}

Figures runQProcess(const QString& AProgram, const QStringList& AArguments,
                    std::chrono::microseconds ASlow) {
    QProcess process;
    QStringList kept;
    return measure([&](long& ALines, const std::function<void()>& ADone) {
        process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [&, ASlow] {
            while (process.canReadLine()) {
                QByteArray line = process.readLine();
                line.chop(1);
                kept.append(QString::fromLocal8Bit(line));
                ++ALines;
                if (ASlow.count() > 0)
                    spin(ASlow);
            }
        });
        QObject::connect(&process, &QProcess::finished, [ADone] { ADone(); });
        process.start(AProgram, AArguments);
    });
}

void printRow(const char* ALabel, const Figures& AOurs, const Figures& AQt) {
    std::printf("%-26s %16.0f %16.0f\n", ALabel, AOurs.lines / AOurs.seconds,
                AQt.lines / AQt.seconds);
    std::printf("%-26s %16lld %16lld\n", "  worst stall (ms)",
                static_cast<long long>(AOurs.worstStallMs),
                static_cast<long long>(AQt.worstStallMs));
    std::printf("%-26s %16.1f %16.1f\n", "  peak in flight (MiB)", AOurs.peakInFlightMb,
                AQt.peakInFlightMb);
    std::printf("%-26s %16ld %16ld\n", "  lines delivered", AOurs.lines, AQt.lines);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0)
        return floodChild(std::atol(argv[2]), std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int width = argc > 2 ? std::atoi(argv[2]) : 80;
    const long slowLines = argc > 3 ? std::atol(argv[3]) : 100000;
    const QString self = QCoreApplication::applicationFilePath();

    const auto args = [&](long ACount) {
        return QStringList{QStringLiteral("--child"), QString::number(ACount),
                           QString::number(width)};
    };
    const auto commandLine = [&](long ACount) {
        return '"' + self + '"' + u' ' + args(ACount).join(u' ');
    };
    const auto slow = std::chrono::microseconds(5);

    // A fourth argument, "ours" or "qprocess", runs one side only (for profiling).
    const QString only = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    const bool withOurs = only != QStringLiteral("qprocess");
    const bool withQt = only != QStringLiteral("ours");
    const Figures ours = withOurs ? runOurs(commandLine(lines), {}) : Figures{};
    const Figures qt = withQt ? runQProcess(self, args(lines), {}) : Figures{};
    const Figures oursSlow = withOurs ? runOurs(commandLine(slowLines), slow) : Figures{};
    const Figures qtSlow = withQt ? runQProcess(self, args(slowLines), slow) : Figures{};

    std::printf("Console flood: %ld lines of %d characters\n", lines, width);
    std::printf("%-26s %16s %16s\n", "", "TDosCommand", "QProcess");
    printRow("lines/s", ours, qt);
    std::printf("Slow interface: %ld lines, handler busy %lld us per line\n", slowLines,
                static_cast<long long>(slow.count()));
    printRow("lines/s", oursSlow, qtSlow);
    return 0;
}
