// Converts a batch of generated audio files twice, side by side: through the application (the main
// window, offscreen, Convert pressed) and by running the same whisper-cli with the same arguments
// in a plain loop. Prints the wall times, the application's overhead, the CPU time the
// application's own process used (the recognizers excluded) and the worst stall of the interface
// thread's event loop during the application's run.
//
// Usage: bench_conversion [--tool PATH] [--model PATH] [--files N] [--seconds S] [--rounds R]
// Defaults: the whisper-cli of this build, the shared test model, 4 files of 3 s, 3 rounds.

#include "app/AppForm.h"
#include "app/JobListModel.h"
#include "platform/Paths.h"

#include "GeneratedAudio.h"
#include "ProgramHome.h"
#include "RunEnd.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

namespace {

// The shared test data folder sits beside the checkout, or further up for nested worktrees.
QString sharedTestModel() {
    for (QDir dir(QStringLiteral(VELTRINO_SOURCE_DIR));;) {
        const QString candidate =
            dir.absoluteFilePath(QStringLiteral("../shared/testdata/for-tests-ggml-tiny.bin"));
        if (QFile::exists(candidate))
            return QDir::cleanPath(candidate);
        if (!dir.cdUp())
            return QStringLiteral("for-tests-ggml-tiny.bin");
    }
}

QString option(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

// The plain loop: one whisper-cli after the other, nothing else.
double plainLoop(const QString& tool, const QString& model, const QStringList& inputs,
                 const QString& outFolder) {
    QElapsedTimer t;
    t.start();
    for (const QString& input : inputs) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(tool, {QStringLiteral("-m"), model, QStringLiteral("-f"), input,
                       QStringLiteral("-l"), QStringLiteral("auto"), QStringLiteral("-ml"),
                       QStringLiteral("40"), QStringLiteral("-sow"), QStringLiteral("-olrc"),
                       QStringLiteral("-of"), outFolder + QStringLiteral("/temp")});
        p.waitForFinished(-1);
        p.readAll();
    }
    return t.elapsed() / 1000.0;
}

// CPU seconds this process has used itself (its children, the recognizers, not counted).
double ownCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct AppRun {
    double seconds = 0;
    double ownCpu = 0;
    qint64 worstStallMs = 0;
    int ok = 0;
};

AppRun applicationRun(TAppForm& form, const QStringList& inputs, const QString& outFolder) {
    form.Jobs().clear();
    form.Jobs().appendAll(inputs);
    form.Edit1->setText(outFolder);
    // A 5 ms timer on the interface thread: the longest gap between its ticks is the longest time
    // the event loop was kept from running.
    QElapsedTimer sinceTick;
    qint64 worst = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { worst = std::max(worst, sinceTick.restart()); });
    QElapsedTimer t;
    const double cpuBefore = ownCpuSeconds();
    t.start();
    sinceTick.start();
    probe.start();
    form.Button1->click();
    WaitUntilRunEnded(form);
    AppRun run;
    run.seconds = t.elapsed() / 1000.0;
    run.ownCpu = ownCpuSeconds() - cpuBefore;
    probe.stop();
    run.worstStallMs = worst;
    for (int i = 0; i < form.Jobs().count(); ++i)
        run.ok += form.Jobs().result(i) == QStringLiteral("OK");
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    UseHomeFolder(home.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString tool = option(args, QStringLiteral("--tool"),
                                QStringLiteral(VELTRINO_BIN_DIR "/whisper/whisper-cli"));
    const QString model = option(args, QStringLiteral("--model"), sharedTestModel());
    const int files = option(args, QStringLiteral("--files"), QStringLiteral("4")).toInt();
    const int seconds = option(args, QStringLiteral("--seconds"), QStringLiteral("3")).toInt();
    const int rounds = option(args, QStringLiteral("--rounds"), QStringLiteral("3")).toInt();
    if (!QFile::exists(tool) || !QFile::exists(model)) {
        std::fprintf(stderr, "needs whisper-cli (%s) and a model (%s)\n", qPrintable(tool),
                     qPrintable(model));
        return 2;
    }

    // A program folder of its own, as the application expects: whisper/whisper-cli + base model.
    QTemporaryDir program;
    QDir(program.path()).mkdir(QStringLiteral("whisper"));
    const QString ownTool = program.path() + QStringLiteral("/whisper/whisper-cli");
    const QString ownModel = program.path() + QStringLiteral("/whisper/ggml-base.bin");
    QFile::copy(tool, ownTool);
    QFile(ownTool).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile::copy(model, ownModel);
    platform::setProgramFolderForTests(program.path());

    QTemporaryDir data;
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = data.filePath(QStringLiteral("clip %1.wav").arg(i + 1));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(GeneratedWav(seconds, 1000, quint32(i + 1)));
        inputs << path;
    }

    TAppForm form;
    form.TimerChecker->stop();
    form.ShowErrorDetails1->setChecked(false);
    form.CheckBoxSource->setChecked(false);
    form.show();
    QCoreApplication::processEvents();

    // One warm-up run of the tool, so the first measured run does not pay for a cold file cache.
    plainLoop(ownTool, ownModel, inputs.mid(0, 1), data.path());

    // Rounds alternate which side goes first, so a load change on the machine does not always
    // hit the same side; the median of the rounds is the figure.
    std::vector<double> overheads;
    double plainTotal = 0;
    double appTotal = 0;
    double appCpu = 0;
    qint64 worstStall = 0;
    int okTotal = 0;
    std::printf("%-6s %12s %12s %10s %14s %14s\n", "round", "plain (s)", "app (s)", "overhead",
                "app's own CPU", "worst stall");
    for (int r = 0; r < rounds; ++r) {
        QTemporaryDir plainOut, appOut;
        double plain = 0;
        AppRun run;
        if (r % 2 == 0) {
            plain = plainLoop(ownTool, ownModel, inputs, plainOut.path());
            run = applicationRun(form, inputs, appOut.path());
        } else {
            run = applicationRun(form, inputs, appOut.path());
            plain = plainLoop(ownTool, ownModel, inputs, plainOut.path());
        }
        plainTotal += plain;
        appTotal += run.seconds;
        appCpu += run.ownCpu;
        worstStall = std::max(worstStall, run.worstStallMs);
        okTotal += run.ok;
        overheads.push_back((run.seconds - plain) / plain * 100.0);
        std::printf("%-6d %12.3f %12.3f %9.2f%% %13.2f%% %11lld ms\n", r + 1, plain, run.seconds,
                    overheads.back(), run.ownCpu / run.seconds * 100.0,
                    static_cast<long long>(run.worstStallMs));
    }
    std::sort(overheads.begin(), overheads.end());
    const double median =
        overheads.size() % 2
            ? overheads[overheads.size() / 2]
            : (overheads[overheads.size() / 2 - 1] + overheads[overheads.size() / 2]) / 2;
    std::printf("%-6s %12.3f %12.3f %9.2f%% %13.2f%% %11lld ms\n", "total", plainTotal, appTotal,
                (appTotal - plainTotal) / plainTotal * 100.0, appCpu / appTotal * 100.0,
                static_cast<long long>(worstStall));
    std::printf("files %d x %d s, rounds %d, jobs OK %d of %d\n", files, seconds, rounds, okTotal,
                files * rounds);
    std::printf(
        "median wall overhead %.2f%% (target < 2%%: %s); application's own CPU %.2f%% of its "
        "wall time; worst stall %lld ms (target < 50 ms: %s)\n",
        median, median < 2.0 ? "met" : "NOT met", appCpu / appTotal * 100.0,
        static_cast<long long>(worstStall), worstStall < 50 ? "met" : "NOT met");
    std::printf(
        "machine load (1 min) %.2f on %d cores: wall figures are only meaningful on an idle "
        "machine\n",
        [] {
            double l[1] = {0};
            return getloadavg(l, 1) == 1 ? l[0] : -1.0;
        }(),
        QThread::idealThreadCount());
    platform::setProgramFolderForTests({});
    return 0;
}
