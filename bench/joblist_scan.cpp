// Loading a large folder tree into the job list: 100,000 audio files in 1,000 folders, made in a
// temporary folder. Prints, side by side, `find` listing the tree, our scan alone, and the whole
// folder load through the main window (scan, rows added, list painted), with when the busy
// cursor was shown; then the list's behaviour at that size (scrolling, deleting).
// Usage: bench_joblist_scan [runs]   (offscreen unless QT_QPA_PLATFORM says otherwise)

#include "app/AppForm.h"
#include "app/Application.h"
#include "app/FolderScan.h"
#include "app/JobListModel.h"
#include "platform/Paths.h"
#include "platform/QtPlatform.h"

#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kGroups = 10;
constexpr int kFoldersPerGroup = 100; // 1,000 folders holding files
constexpr int kFilesPerFolder = 100;  // 100,000 files
const char* const kExtensions[] = {"mp3", "wav", "ogg", "flac", "MP3"};

QElapsedTimer gClock;
double nowMs() {
    return gClock.nsecsElapsed() / 1e6;
}

bool makeTree(const QString& root) {
    for (int g = 0; g < kGroups; ++g) {
        for (int f = 0; f < kFoldersPerGroup; ++f) {
            const QString folder = QStringLiteral("%1/group%2/album%3").arg(root).arg(g).arg(f);
            if (!QDir().mkpath(folder))
                return false;
            const QByteArray base = QFile::encodeName(folder);
            for (int i = 0; i < kFilesPerFolder; ++i) {
                const QByteArray path = base + QByteArray("/track ") +
                                        QByteArray::number(i).rightJustified(3, '0') + '.' +
                                        kExtensions[(g + f + i) % 5];
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (fd < 0)
                    return false;
                ::close(fd);
            }
        }
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeFind(const QString& root) {
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    const double start = nowMs();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("f")});
    find.waitForFinished(-1);
    return nowMs() - start;
}

// The real busy cursor, with the times it went on and off. Boxes are printed, never shown: a
// benchmark must not wait on a window.
class TTimedDialogs final : public platform::IDialogs {
public:
    platform::QtDialogs real;
    std::vector<double> pushes, pops;
    void messageBox(const QString& t, const QString& c, int) override { report(c + ": " + t); }
    int captionedMessageDialog(const QString& m, platform::DialogKind, const QStringList&,
                               const QString&) override {
        report(m);
        return platform::IDNO;
    }
    void showException(const QString& m) override { report(m); }
    QStringList openFiles(const QString&, const QString&) override { return {}; }
    QStringList pickFolders(const QString&, const QString&, bool) override { return {}; }
    void pushBusyCursor() override {
        pushes.push_back(nowMs());
        real.pushBusyCursor();
    }
    void popBusyCursor() override {
        real.popBusyCursor();
        pops.push_back(nowMs());
    }

private:
    static void report(const QString& text) { std::fprintf(stderr, "box: %s\n", qPrintable(text)); }
};

// Notes that a widget has been painted since arm().
class TPaintWatch : public QObject {
public:
    bool painted = false;
    void arm() { painted = false; }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Returns once the paint has been delivered and finished.
double waitForPaint(TPaintWatch& watch) {
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return nowMs();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", QByteArray());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    gClock.start();

    QTemporaryDir work;
    const QString root = work.path() + QStringLiteral("/music");
    std::printf("making %d files in %d folders...\n", kGroups * kFoldersPerGroup * kFilesPerFolder,
                kGroups * kFoldersPerGroup);
    std::fflush(stdout);
    double made = nowMs();
    if (!makeTree(root)) {
        std::printf("could not make the tree under %s\n", qPrintable(root));
        return 1;
    }
    made = nowMs() - made;

    // Warm the file system's caches once for both sides, then alternate.
    timeFind(root);
    std::vector<double> findTimes, scanTimes;
    qsizetype found = 0;
    for (int i = 0; i < runs; ++i) {
        findTimes.push_back(timeFind(root));
        QStringList files;
        const double start = nowMs();
        ScanFolder(root, files);
        scanTimes.push_back(nowMs() - start);
        found = files.size();
    }

    TTimedDialogs dialogs;
    platform::QtShell shell;
    platform::setDialogs(&dialogs);
    platform::setShell(&shell);
    platform::setProgramFolderForTests(home.path());

    struct TAddRun {
        double total, busyOn, busyOff, rowsAt;
        bool busyAtRows;
    };
    std::vector<TAddRun> addRuns;
    double rowsAt = 0;
    bool busyAtRows = false;
    bool busyThroughout = true;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        TAppForm form;
        form.resize(789, 560);
        form.show();
        TPaintWatch watch;
        form.ListView1->viewport()->installEventFilter(&watch);
        waitForPaint(watch);
        QObject::connect(&form.Jobs(), &QAbstractItemModel::rowsInserted, [&] {
            rowsAt = nowMs();
            busyAtRows = QApplication::overrideCursor() != nullptr;
        });
        dialogs.pushes.clear();
        dialogs.pops.clear();
        watch.arm();
        const double start = nowMs();
        form.KlasorYukle(root);
        const double painted = waitForPaint(watch);
        const TAddRun run{
            painted - start, dialogs.pushes.empty() ? -1 : dialogs.pushes.front() - start,
            dialogs.pops.empty() ? -1 : dialogs.pops.back() - start, rowsAt - start, busyAtRows};
        addRuns.push_back(run);
        // On before anything else happened, still on when the rows went in, off only after.
        busyThroughout = busyThroughout && run.busyOn >= 0 && run.busyOn < 1.0 && run.busyAtRows &&
                         run.busyOff >= run.rowsAt;
        rows = form.Jobs().count();

        if (i == runs - 1) {
            // The list at that size: a jump to the end and a repaint, then deletions.
            QTreeView* const view = form.ListView1;
            double t = nowMs();
            view->scrollToBottom();
            view->viewport()->repaint();
            const double scroll = nowMs() - t;
            t = nowMs();
            for (int step = 0; step < 50; ++step) {
                view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() * step /
                                                    50);
                view->viewport()->repaint();
            }
            const double pages = (nowMs() - t) / 50;

            QList<int> everyOther;
            for (int r = 0; r < rows; r += 2)
                everyOther.append(r);
            t = nowMs();
            form.Jobs().removeRowsAt(everyOther);
            const double scattered = nowMs() - t;
            const int left = form.Jobs().count();

            view->selectAll();
            t = nowMs();
            form.Delete1Click();
            const double all = nowMs() - t;

            std::printf("\nthe list at %d rows:\n", rows);
            std::printf("  jump to the end and repaint        %8.1f ms\n", scroll);
            std::printf("  scroll by a page and repaint (avg) %8.1f ms\n", pages);
            std::printf("  remove every other row (%d)     %8.1f ms, %d left\n",
                        static_cast<int>(everyOther.size()), scattered, left);
            std::printf("  select all + Delete                %8.1f ms, %d left\n", all,
                        form.Jobs().count());
        }
    }
    platform::setDialogs(nullptr);
    platform::setShell(nullptr);

    std::sort(addRuns.begin(), addRuns.end(),
              [](const TAddRun& a, const TAddRun& b) { return a.total < b.total; });
    const TAddRun& mid = addRuns[addRuns.size() / 2];
    const double findMs = median(findTimes), scanMs = median(scanTimes), addMs = mid.total;
    std::printf("\ntree: %lld audio files found, %d rows added (made in %.0f ms), median of %d "
                "runs\n",
                static_cast<long long>(found), rows, made, runs);
    std::printf("  %-40s %9s\n", "", "ms");
    std::printf("  %-40s %9.1f\n", "find <tree> -type f", findMs);
    std::printf("  %-40s %9.1f   (%.2f x find; target <= 2 x)\n", "ScanFolder", scanMs,
                scanMs / findMs);
    std::printf("  %-40s %9.1f   (target < 3000 ms)\n", "KlasorYukle: scan + rows + painted",
                addMs);
    std::printf("  in that run: busy cursor on at +%.1f ms, rows inserted at +%.1f ms (busy: %s), "
                "cursor off at +%.1f ms, list painted at +%.1f ms\n",
                mid.busyOn, mid.rowsAt, mid.busyAtRows ? "yes" : "NO", mid.busyOff, mid.total);
    std::printf("  busy cursor shown throughout the load in every run: %s\n",
                busyThroughout ? "yes" : "NO");
    const bool ok = scanMs <= 2 * findMs && addMs < 3000 && busyThroughout;
    std::printf("%s\n", ok ? "targets met" : "TARGETS MISSED");
    return ok ? 0 : 2;
}
