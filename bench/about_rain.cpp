// CPU cost of the about window's falling-characters rain: the window is opened for a while (10 s
// unless given) and the process's own processor time over that span is printed as a share of one
// core, beside the same window with its rain stopped, so the rain's own part shows.
// Usage: bench_about_rain [seconds]   (platform from QT_QPA_PLATFORM; run under xvfb-run for X11)

#include "services/AboutBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Figures {
    double cpuMs = 0;
    double wallMs = 0;
    quint32 steps = 0;
    double share() const { return wallMs > 0 ? 100.0 * cpuMs / wallMs : 0; }
};

Figures measure(bool rain, int seconds) {
    TAboutBox box(QStringLiteral("Veltrino"), QStringLiteral("1.0"), QIcon());
    box.setAttribute(Qt::WA_DeleteOnClose, false);
    box.show();
    if (!rain)
        box.tmTimer->stop();
    // Let the first paint and the pictures settle before the clock starts.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    const quint32 firstStep = box.Rain().Tick();
    const double cpuBefore = processCpuMs();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    Figures f;
    f.cpuMs = processCpuMs() - cpuBefore;
    f.wallMs = double(wall.elapsed());
    f.steps = box.Rain().Tick() - firstStep;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const Figures withRain = measure(true, seconds);
    const Figures stopped = measure(false, seconds);
    std::printf("platform %s, %d s each, 446 x 374 window, %d drops\n",
                qPrintable(QGuiApplication::platformName()), seconds, 110);
    std::printf("%-22s %12s %12s %10s %14s\n", "", "cpu ms", "wall ms", "% of core", "steps");
    std::printf("%-22s %12.1f %12.1f %10.2f %14u\n", "about window, rain", withRain.cpuMs,
                withRain.wallMs, withRain.share(), withRain.steps);
    std::printf("%-22s %12.1f %12.1f %10.2f %14u\n", "about window, no rain", stopped.cpuMs,
                stopped.wallMs, stopped.share(), stopped.steps);
    if (withRain.steps > 0)
        std::printf("rain step: %.1f us of processor time each (difference of the two runs)\n",
                    1000.0 * (withRain.cpuMs - stopped.cpuMs) / withRain.steps);
    return 0;
}
