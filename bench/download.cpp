// Download throughput and interface responsiveness: one large model file from the local HTTPS
// repository (tests/models/model_server.py), fetched by the main window's downloader with its real
// progress bar on a running interface thread, and by the curl command line, side by side.
// Usage: bench_download [MiB] [rounds]   (1024 MiB and 3 rounds unless given; the two clients
// take turns, and the medians are compared so that one disturbed round does not decide)

#include "../tests/models/ModelServer.h"
#include "app/AppForm.h"
#include "models/ModelRepository.h"
#include "platform/Curl.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Ticks every millisecond on the interface thread and keeps the longest gap between two ticks:
// the longest time the interface could not react.
class StallMeter {
public:
    StallMeter() {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(1);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const qint64 now = FClock.nsecsElapsed();
            FWorst = std::max(FWorst, now - FLast);
            FLast = now;
            if (FOnTick)
                FOnTick();
        });
    }
    void start(std::function<void()> onTick) {
        FOnTick = std::move(onTick);
        FClock.start();
        FLast = 0;
        FWorst = 0;
        FTimer.start();
    }
    double stop() {
        FTimer.stop();
        FOnTick = nullptr;
        return double(FWorst) / 1e6;
    }

private:
    QTimer FTimer;
    QElapsedTimer FClock;
    qint64 FLast = 0;
    qint64 FWorst = 0;
    std::function<void()> FOnTick;
};

struct Result {
    double seconds = 0;
    double worstStallMs = 0;
    bool ok = false;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double mibPerSecond(qint64 bytes, double seconds) {
    return double(bytes) / 1048576.0 / seconds;
}

Result ours(TAppForm& form, StallMeter& meter, qint64 size, int& barUpdates) {
    const QString model = form.DataFolder() + QStringLiteral("ggml-medium.bin");
    QFile::remove(model);
    barUpdates = 0;
    const QMetaObject::Connection counting = QObject::connect(
        form.ProgressBar1, &QProgressBar::valueChanged, [&barUpdates] { ++barUpdates; });
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    meter.start([&] {
        if (form.RunningDownloads() == 0)
            loop.quit();
    });
    form.DownloadModelFile(model);
    loop.exec();
    Result r;
    r.seconds = double(clock.nsecsElapsed()) / 1e9;
    r.worstStallMs = meter.stop();
    QObject::disconnect(counting);
    r.ok = QFileInfo(model).size() == size &&
           form.StatusText().startsWith(QStringLiteral("Successfully downloaded"));
    if (!r.ok)
        std::fprintf(stderr, "our download failed: %s\n", qPrintable(form.StatusText()));
    QFile::remove(model);
    return r;
}

Result curlCommand(const ModelServer& server, StallMeter& meter, const QString& url,
                   const QString& folder, qint64 size) {
    const QString out = folder + QStringLiteral("/curl.bin");
    QFile::remove(out);
    QProcess curl;
    QEventLoop loop;
    QObject::connect(&curl, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    meter.start({});
    curl.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--cacert"),
                                        server.caFile(), QStringLiteral("-o"), out, url});
    loop.exec();
    Result r;
    r.seconds = double(clock.nsecsElapsed()) / 1e9;
    r.worstStallMs = meter.stop();
    r.ok = curl.exitCode() == 0 && QFileInfo(out).size() == size;
    if (!r.ok)
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
    QFile::remove(out);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    // Everything the window writes goes to a private folder: settings, work folder, data folder.
    QTemporaryDir root;
    const QString home = root.path();
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("TMPDIR", QFile::encodeName(home));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home + QStringLiteral("/runtime")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 mib = argc > 1 ? std::max(1, atoi(argv[1])) : 1024;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const qint64 size = mib * 1024 * 1024;

    ModelServer server;
    if (!server.start(QStringLiteral(VELTRINO_SOURCE_DIR "/tests/models/model_server.py"))) {
        std::fprintf(stderr, "server did not start: %s\n", qPrintable(server.error()));
        return 1;
    }
    platform::setExtraCaFile(server.caFile());
    setModelBaseUrlForTests(server.baseUrl(QStringLiteral("fixed"), size));
    QDir().mkpath(home + QStringLiteral("/program"));
    platform::setProgramFolderForTests(home + QStringLiteral("/program"));
    const QString url = ModelDownloadUrl(QStringLiteral("ggml-medium.bin"));

    TAppForm form;
    form.show();
    StallMeter meter;
    std::printf("%lld MiB from %s, %d rounds\n", mib, qPrintable(url), rounds);
    std::printf("%-7s %-10s %10s %12s %16s\n", "round", "client", "seconds", "MiB/s",
                "worst stall ms");
    std::vector<double> oursRate, curlRate, oursStall;
    int barUpdates = 0;
    for (int round = 1; round <= rounds; ++round) {
        const Result a = ours(form, meter, size, barUpdates);
        const Result b = curlCommand(server, meter, url, home, size);
        if (!a.ok || !b.ok)
            return 1;
        std::printf("%-7d %-10s %10.2f %12.1f %16.1f\n", round, "Veltrino", a.seconds,
                    mibPerSecond(size, a.seconds), a.worstStallMs);
        std::printf("%-7d %-10s %10.2f %12.1f %16.1f\n", round, "curl", b.seconds,
                    mibPerSecond(size, b.seconds), b.worstStallMs);
        oursRate.push_back(mibPerSecond(size, a.seconds));
        curlRate.push_back(mibPerSecond(size, b.seconds));
        oursStall.push_back(a.worstStallMs);
    }
    const double medianOurs = median(oursRate);
    const double medianCurl = median(curlRate);
    std::printf("median: Veltrino %.1f MiB/s, curl %.1f MiB/s, ratio %.1f %%\n", medianOurs,
                medianCurl, 100.0 * medianOurs / medianCurl);
    std::printf("worst interface stall during our downloads: %.1f ms; progress bar updates per "
                "download: %d\n",
                *std::max_element(oursStall.begin(), oursStall.end()), barUpdates);
    return 0;
}
