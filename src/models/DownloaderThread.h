#pragma once
// The background download of one model file: the body is streamed over HTTPS into
// "<model>.part", checked, and renamed into place by the interface's success step. The thread
// changes nothing on screen itself: every interface step is handed to the interface thread and
// waited for, in the order start, progress..., success or failure (then the error box), final.

#include "models/DownloadCheck.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <curl/curl.h>

#include <atomic>
#include <functional>

class QFile;
class TDownloaderThread;

// The interface side of a download. Every method runs on the interface thread while the download
// thread waits for it; none may throw.
class IDownloadSteps {
public:
    virtual ~IDownloadSteps() = default;
    // Status "Downloading ...", progress bar shown as a marquee.
    virtual void DownloadStart(TDownloaderThread& thread) = 0;
    // The bar changes what it shows.
    virtual void DownloadProgress(TDownloaderThread& thread, const TProgressView& view) = 0;
    // The body is complete and checked: rename it into place and report.
    virtual void DownloadSuccess(TDownloaderThread& thread) = 0;
    // The download failed; the error box follows.
    virtual void DownloadFailure(TDownloaderThread& thread) = 0;
    // Last of all, whatever happened.
    virtual void DownloadFinal(TDownloaderThread& thread) = 0;
};

class TDownloaderThread : public QThread {
    Q_OBJECT
public:
    // Create on the interface thread: the thread object must live there, as the interface steps
    // are delivered to it. An empty address starts no request.
    TDownloaderThread(const QString& downloadUrl, const QString& saveFilename,
                      const QString& modelName, IDownloadSteps& steps);
    ~TDownloaderThread() override;

    const QString& DownloadURL() const { return FDownloadURL; }
    const QString& SaveFilename() const { return FSaveFilename; }
    const QString& ModelName() const { return FModelName; }
    QString SaveFilenamePart() const { return FSaveFilename + QStringLiteral(".part"); }

    // The message of an exception that escaped DownloadNow; empty when none did. Read after the
    // thread has ended.
    const QString& EscapedError() const { return FEscapedError; }

    // Interface thread, inside the success step: puts the finished ".part" file in place of the
    // model file. False when the rename failed.
    bool RenameIntoPlace() const;

    // Any thread: stops the transfer at its next callback and skips every interface step that
    // has not started yet. Used when the main window closes during a download.
    void Cancel() { FCancelled.store(true); }
    bool Cancelled() const { return FCancelled.load(); }

    // Download thread: the whole download.
    void DownloadNow();
    // Download thread: the HTTP client's progress report, AWorkCount bytes of the body so far.
    void HttpWork(CURL* ASender, int AWorkMode, qint64 AWorkCount);
    // Download thread: a redirect to ADest is about to be followed unless AHandled is cleared.
    void HttpRedirect(CURL* ASender, QString& ADest, int ANumRedirect, bool& AHandled,
                      QString& AMethod);

protected:
    // Download thread (Execute).
    void run() override;

private:
    struct TResponse {
        QByteArray StatusLine;
        QByteArray TransferEncoding;
        QByteArray Head; // the body's first bytes, for the magic check
    };

    // Download thread: runs a step on the interface thread and waits for it. Skipped once the
    // download is cancelled; false then.
    bool Synchronize(const std::function<void()>& step);
    void Fetch(CURL* handle, QFile& file);
    void ConfigureHandle(CURL* handle, QFile& file);
    static long StatusOf(CURL* handle);
    QString TransferError(CURLcode code) const;
    void ShowErrorBox(const QString& message);

    static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
    static int XferInfoCallback(void* self, curl_off_t dltotal, curl_off_t dlnow,
                                curl_off_t ultotal, curl_off_t ulnow);

    const QString FDownloadURL;
    const QString FSaveFilename;
    const QString FModelName;
    IDownloadSteps& FSteps;
    QString FEscapedError;
    std::atomic<bool> FCancelled{false};

    // Download thread only.
    QString FCurrentAddress;
    CURL* FHandle = nullptr;
    QFile* FFile = nullptr;
    TResponse FResponse;
    bool FWriteFailed = false;
    bool FStalled = false;
    TProgressView FShown;
    curl_off_t FLastCount = -1;
    QElapsedTimer FSinceData;
    int FStallMs = 0;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
};
