// The model download: starting a download thread, and the interface steps it asks for.

#include "app/AppForm.h"

#include "app/SettingsKeys.h"
#include "models/DownloaderThread.h"
#include "models/ModelRepository.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "services/Translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <list>
#include <memory>

// The running downloads of the window and their interface steps. Every method runs on the
// interface thread.
class TAppForm::TDownloads final : public QObject, public IDownloadSteps {
public:
    explicit TDownloads(TAppForm& form) : FForm(form) {}
    ~TDownloads() override;

    // Also while a thread whose interface side has ended (after a failure) is still winding down:
    // a second download of that model would otherwise share its file name, and its late end
    // would end the new one's interface side.
    bool IsRunning(const QString& saveFilename) const {
        return FActive.contains(saveFilename) ||
               std::any_of(FThreads.cbegin(), FThreads.cend(), [&](const auto& thread) {
                   return thread->SaveFilename() == saveFilename;
               });
    }
    int Count() const { return int(FThreads.size()); }
    // Marks the model as downloading: busy cursor, Convert/STOP disabled.
    void Begin(const QString& saveFilename);
    void Start(const QString& url, const QString& saveFilename, const QString& modelName);
    // Ends the interface side of one download, once; the window goes idle with the last one.
    void End(const QString& saveFilename);

    void DownloadStart(TDownloaderThread& thread) override;
    void DownloadProgress(TDownloaderThread& thread, const TProgressView& view) override;
    void DownloadSuccess(TDownloaderThread& thread) override;
    void DownloadFailure(TDownloaderThread& thread) override;
    void DownloadFinal(TDownloaderThread& thread) override;

private:
    void Free(TDownloaderThread* thread);

    TAppForm& FForm;
    QStringList FActive; // save file names of the downloads whose interface side is running
    std::list<std::unique_ptr<TDownloaderThread>> FThreads;
};

void TAppForm::TDownloadsDeleter::operator()(TDownloads* downloads) const {
    delete downloads;
}

TAppForm::TDownloads::~TDownloads() {
    // The window is closing. Each thread is told to stop; the interface steps it is already
    // waiting for are delivered here (and skipped, as the thread is cancelled), because the
    // event loop that would deliver them may never run again.
    for (const auto& thread : FThreads)
        thread->Cancel();
    for (const auto& thread : FThreads)
        while (!thread->wait(QDeadlineTimer(20)))
            QCoreApplication::sendPostedEvents(thread.get(), QEvent::MetaCall);
    for (qsizetype i = 0; i < FActive.size(); ++i)
        platform::dialogs().popBusyCursor();
}

void TAppForm::TDownloads::Begin(const QString& saveFilename) {
    FActive.append(saveFilename);
    platform::dialogs().pushBusyCursor();
    FForm.Button1->setEnabled(false);
}

void TAppForm::TDownloads::Start(const QString& url, const QString& saveFilename,
                                 const QString& modelName) {
    auto thread = std::make_unique<TDownloaderThread>(url, saveFilename, modelName, *this);
    TDownloaderThread* const raw = thread.get();
    connect(raw, &QThread::finished, this, [this, raw] {
        FForm.DownloaderThreadTerminate(raw);
        Free(raw);
    });
    FThreads.push_back(std::move(thread));
    raw->start();
}

void TAppForm::TDownloads::Free(TDownloaderThread* thread) {
    thread->wait();
    FThreads.remove_if([thread](const auto& owned) { return owned.get() == thread; });
}

void TAppForm::TDownloads::End(const QString& saveFilename) {
    if (!FActive.removeOne(saveFilename))
        return;
    platform::dialogs().popBusyCursor();
    if (!FActive.isEmpty())
        return; // the bar and the button still belong to the other downloads
    FForm.ProgressBar1->setRange(0, 100);
    FForm.ProgressBar1->setValue(0);
    FForm.ProgressBar1->hide();
    FForm.Button1->setEnabled(true);
}

void TAppForm::TDownloads::DownloadStart(TDownloaderThread& thread) {
    FForm.SetStatusText(translate(QStringLiteral("Downloading %s..."))
                            .replace(QStringLiteral("%s"), thread.ModelName()));
    FForm.ProgressBar1->show();
    FForm.ProgressBar1->setRange(0, 0); // marquee until the length is known
}

void TAppForm::TDownloads::DownloadProgress(TDownloaderThread&, const TProgressView& view) {
    QProgressBar* const bar = FForm.ProgressBar1;
    if (view.Marquee) {
        if (bar->maximum() != 0)
            bar->setRange(0, 0);
        return;
    }
    if (bar->maximum() == 0)
        bar->setRange(0, 100);
    if (bar->value() != view.Percent)
        bar->setValue(view.Percent);
}

void TAppForm::TDownloads::DownloadSuccess(TDownloaderThread& thread) {
    if (!thread.RenameIntoPlace()) {
        FForm.SetStatusText(translate(QStringLiteral("Download failed!")));
        QFile::remove(thread.SaveFilenamePart());
        End(thread.SaveFilename());
        return;
    }
    // From here on the model is in place and stays there whatever goes wrong: a later failure
    // only shows in the status bar.
    try {
        platform::shell().beep();
        FForm.SetStatusText(translate(QStringLiteral("Successfully downloaded: %s"))
                                .replace(QStringLiteral("%s"), translate(thread.ModelName())));
        FForm.WriteSetting(settings::ModelName.name, thread.ModelName());
    } catch (const std::exception& e) {
        FForm.SetStatusText(QString::fromUtf8(e.what()));
    }
}

void TAppForm::TDownloads::DownloadFailure(TDownloaderThread& thread) {
    // The model file is not touched: before the rename there is none of this download's, and a
    // file that appeared there meanwhile is not ours to delete.
    FForm.SetStatusText(translate(QStringLiteral("Download failed!")));
    End(thread.SaveFilename());
}

void TAppForm::TDownloads::DownloadFinal(TDownloaderThread& thread) {
    End(thread.SaveFilename());
}

void TAppForm::DownloadModelFile(const QString& modelPath) {
    const QString modelName = QFileInfo(modelPath).fileName();
    if (modelName.trimmed().isEmpty())
        return;
    const QString url = ModelDownloadUrl(modelName);
    if (QFile::exists(modelPath))
        return;
    if (!FDownloads)
        FDownloads.reset(new TDownloads(*this));
    // Two transfers into the same ".part" file would corrupt each other.
    if (FDownloads->IsRunning(modelPath))
        return;
    FDownloads->Begin(modelPath);
    QCoreApplication::processEvents();
    FDownloads->Start(url, modelPath, modelName);
}

void TAppForm::DownloaderThreadTerminate(QObject* Sender) {
    auto* const thread = qobject_cast<TDownloaderThread*>(Sender);
    if (thread == nullptr)
        return;
    if (!thread->EscapedError().isEmpty() && ShowErrorDetails1->isChecked())
        platform::dialogs().messageBox(thread->EscapedError(), translate(QStringLiteral("ERROR")),
                                       platform::MB_ICONERROR);
    // A thread that died before its final step must not leave the window busy for good.
    FDownloads->End(thread->SaveFilename());
}

int TAppForm::RunningDownloads() const {
    return FDownloads ? FDownloads->Count() : 0;
}
