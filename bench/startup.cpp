// Start-up time to the first painted main window, and the idle process's resident memory.
// The parent starts this program again as a child that builds the window exactly as the
// application does; the child reports when the window's first paint has happened, then idles.
// Usage: bench_startup [runs]   (runs on the platform in QT_QPA_PLATFORM, offscreen by default)

#include "app/AppForm.h"
#include "app/Application.h"
#include "platform/QtPlatform.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !FReported) {
            FReported = true;
            // Report after the paint has finished.
            QTimer::singleShot(0, [] {
                std::printf("shown\n");
                std::fflush(stdout);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool FReported = false;
};

int child(int argc, char** argv) {
    TApplication app(argc, argv);
    platform::QtDialogs dialogs;
    platform::QtShell shell;
    platform::setDialogs(&dialogs);
    platform::setShell(&shell);
    TAppForm form;
    FirstPaint watcher;
    form.installEventFilter(&watcher);
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    form.show();
    return app.exec();
}

long residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    std::vector<double> times;
    long rss = -1;
    for (int i = 0; i < runs; ++i) {
        QProcess proc;
        proc.setProcessEnvironment(env);
        proc.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        proc.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        while (!proc.canReadLine() && proc.waitForReadyRead(10000)) {
        }
        if (!proc.canReadLine()) {
            // A box that waits for an answer, or a crash: no start-up time to report.
            std::fprintf(stderr, "the window was not painted within 10 s (run %d)\n", i + 1);
            proc.kill();
            proc.waitForFinished();
            return 1;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (i == runs - 1) {
            // Let the window settle, then read what the idle process holds.
            QThread::msleep(1000);
            rss = residentKiB(proc.processId());
        }
        proc.kill();
        proc.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to first painted window over %d runs: median %.1f ms, worst %.1f ms "
                "(target < 500 ms)\n",
                runs, times[times.size() / 2], times.back());
    std::printf("idle resident memory: %.1f MB (target < 80 MB)\n", rss / 1024.0);
    return 0;
}
