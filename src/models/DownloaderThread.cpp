#include "models/DownloaderThread.h"

#include "platform/Curl.h"
#include "platform/Dialogs.h"
#include "services/Translation.h"

#include <QDir>
#include <QFile>

namespace {

// The most redirects one download follows; the next one fails it.
constexpr int MaxRedirects = 9;
// Larger reads mean fewer callbacks per megabyte; the figure is libcurl's upper limit's half.
constexpr long ReadBufferSize = 256 * 1024;

bool isSuccess(long status) {
    return status >= 200 && status < 300;
}
bool isRedirect(long status) {
    return status >= 300 && status < 400;
}

} // namespace

TDownloaderThread::TDownloaderThread(const QString& downloadUrl, const QString& saveFilename,
                                     const QString& modelName, IDownloadSteps& steps)
    : FDownloadURL(downloadUrl), FSaveFilename(saveFilename), FModelName(modelName), FSteps(steps) {
}

TDownloaderThread::~TDownloaderThread() = default;

void TDownloaderThread::run() {
    // Download thread. Whatever escapes DownloadNow is kept for the termination handler.
    try {
        DownloadNow();
    } catch (const std::exception& e) {
        FEscapedError = QString::fromUtf8(e.what());
    } catch (...) {
        FEscapedError = QStringLiteral("Unknown error in the download thread.");
    }
}

bool TDownloaderThread::Synchronize(const std::function<void()>& step) {
    if (Cancelled())
        return false;
    // The thread object lives on the interface thread, so the call runs there; the check inside
    // lets a closing window skip the calls that were already on their way.
    QMetaObject::invokeMethod(
        this,
        [this, &step] {
            if (!Cancelled())
                step();
        },
        Qt::BlockingQueuedConnection);
    return !Cancelled();
}

void TDownloaderThread::DownloadNow() {
    if (FDownloadURL.trimmed().isEmpty()) {
        Synchronize([this] { FSteps.DownloadFinal(*this); });
        return;
    }
    FCurrentAddress = FDownloadURL;
    const QString part = SaveFilenamePart();
    QFile::remove(part);
    try {
        const platform::CurlHandle handle = platform::NewCurlHandle();
        if (!handle)
            throw EDownload(QStringLiteral("The HTTP client could not be started."));
        QFile file(part);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw EDownload(QStringLiteral("Cannot create the file %1: %2")
                                .arg(QDir::toNativeSeparators(part), file.errorString()));
        Synchronize([this] { FSteps.DownloadStart(*this); });
        Fetch(handle.get(), file);
        file.close();
        if (file.error() != QFileDevice::NoError)
            throw EDownload(QStringLiteral("Cannot write the file %1: %2")
                                .arg(QDir::toNativeSeparators(part), file.errorString()));
        Synchronize([this] { FSteps.DownloadSuccess(*this); });
    } catch (const Exception& e) {
        // The failure step comes first so that the window is in its idle state while the box is
        // up; the final step waits until the user has closed it.
        Synchronize([this] { FSteps.DownloadFailure(*this); });
        ShowErrorBox(platform::joinParts(e.message(), FCurrentAddress));
    }
    Synchronize([this] { FSteps.DownloadFinal(*this); });
}

void TDownloaderThread::ShowErrorBox(const QString& message) {
    // Qt shows windows only from the interface thread; the download waits for the box there.
    Synchronize([&message] {
        platform::dialogs().messageBox(message, translate(QStringLiteral("ERROR")),
                                       platform::MB_ICONERROR);
    });
}

void TDownloaderThread::ConfigureHandle(CURL* handle, QFile& file) {
    const TDownloadTimeouts timeouts = DownloadTimeouts();
    FFile = &file;
    FStallMs = timeouts.StallMs;
    // Redirects are followed here rather than by libcurl so that each target is reported before
    // it is requested, and only over HTTPS: a plain address would undo the certificate check.
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.ConnectMs));
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, ReadBufferSize);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, FErrorBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &TDownloaderThread::WriteCallback);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &TDownloaderThread::HeaderCallback);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TDownloaderThread::XferInfoCallback);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
}

void TDownloaderThread::Fetch(CURL* handle, QFile& file) {
    ConfigureHandle(handle, file);
    FHandle = handle;
    for (int redirects = 0;;) {
        FResponse = {};
        FErrorBuffer[0] = '\0';
        FWriteFailed = false;
        FStalled = false;
        FLastCount = -1;
        FSinceData.start();
        const QByteArray address = FCurrentAddress.toUtf8();
        curl_easy_setopt(handle, CURLOPT_URL, address.constData());
        const CURLcode code = curl_easy_perform(handle);
        const long status = StatusOf(handle);
        if (FWriteFailed)
            throw EDownload(
                QStringLiteral("Cannot write the file %1: %2")
                    .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        // An error status is the reason even when the transfer was cut short because of it.
        if (status >= 400)
            throw EDownload(QStringLiteral("The server answered: %1")
                                .arg(QString::fromLatin1(FResponse.StatusLine)));
        if (code != CURLE_OK)
            throw EDownload(TransferError(code));
        if (isRedirect(status)) {
            char* location = nullptr;
            curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
            if (location == nullptr)
                throw EDownload(QStringLiteral("The server answered: %1")
                                    .arg(QString::fromLatin1(FResponse.StatusLine)));
            if (redirects == MaxRedirects)
                throw EDownload(QStringLiteral("The server redirected the download more than %1 "
                                               "times.")
                                    .arg(MaxRedirects));
            ++redirects;
            QString dest = QString::fromUtf8(location);
            bool handled = true;
            QString method = QStringLiteral("GET");
            HttpRedirect(handle, dest, redirects, handled, method);
            if (!handled)
                throw EDownload(QStringLiteral("The redirect to %1 was not followed.").arg(dest));
            continue;
        }
        if (!isSuccess(status))
            throw EDownload(QStringLiteral("The server answered: %1")
                                .arg(QString::fromLatin1(FResponse.StatusLine)));
        curl_off_t received = 0;
        curl_off_t declared = -1;
        curl_easy_getinfo(handle, CURLINFO_SIZE_DOWNLOAD_T, &received);
        curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
        // The last block may have arrived after the last progress callback.
        HttpWork(handle, 0, received);
        CheckModelBody(FResponse.TransferEncoding.contains("chunked") ? -1 : declared, received,
                       FResponse.Head);
        return;
    }
}

long TDownloaderThread::StatusOf(CURL* handle) {
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

QString TDownloaderThread::TransferError(CURLcode code) const {
    if (FStalled)
        return QStringLiteral("No data arrived for %1 seconds.").arg(FStallMs / 1000.0);
    if (Cancelled())
        return QStringLiteral("The download was cancelled.");
    const QString detail = FErrorBuffer[0] != '\0' ? QString::fromUtf8(FErrorBuffer)
                                                   : QString::fromUtf8(curl_easy_strerror(code));
    return detail.trimmed();
}

void TDownloaderThread::HttpWork(CURL* ASender, int, qint64 AWorkCount) {
    curl_off_t length = -1;
    curl_easy_getinfo(ASender, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    const TProgressView view = ProgressFor(AWorkCount, length, FResponse.TransferEncoding);
    // The interface is asked only when the bar would change: at most about a hundred waits for
    // the interface thread per download instead of one per block, so a busy window cannot slow
    // the transfer down and the transfer cannot flood the window.
    if (view == FShown)
        return;
    FShown = view;
    Synchronize([this, view] { FSteps.DownloadProgress(*this, view); });
}

void TDownloaderThread::HttpRedirect(CURL*, QString& ADest, int, bool& AHandled, QString&) {
    FCurrentAddress = ADest;
    AHandled = true;
}

bool TDownloaderThread::RenameIntoPlace() const {
    if (QFile::exists(FSaveFilename))
        QFile::remove(FSaveFilename);
    return QFile::rename(SaveFilenamePart(), FSaveFilename);
}

size_t TDownloaderThread::WriteCallback(char* data, size_t size, size_t count, void* self) {
    auto* const thread = static_cast<TDownloaderThread*>(self);
    const size_t bytes = size * count;
    const long status = StatusOf(thread->FHandle);
    if (isRedirect(status))
        return bytes; // the body of a redirect is not the model
    if (!isSuccess(status))
        return 0; // an error page is not worth reading: the status says enough
    QByteArray& head = thread->FResponse.Head;
    if (head.size() < qsizetype(sizeof ModelMagic))
        head.append(data,
                    qMin<qsizetype>(qsizetype(bytes), qsizetype(sizeof ModelMagic) - head.size()));
    if (thread->FFile->write(data, qint64(bytes)) != qint64(bytes)) {
        thread->FWriteFailed = true;
        return 0;
    }
    return bytes;
}

size_t TDownloaderThread::HeaderCallback(char* data, size_t size, size_t count, void* self) {
    auto* const thread = static_cast<TDownloaderThread*>(self);
    const size_t bytes = size * count;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A new response (after a 1xx answer) starts over.
        thread->FResponse = {};
        thread->FResponse.StatusLine = line.mid(line.indexOf(' ') + 1);
    } else if (line.toLower().startsWith("transfer-encoding:")) {
        thread->FResponse.TransferEncoding = line.mid(line.indexOf(':') + 1).trimmed().toLower();
    }
    return bytes;
}

int TDownloaderThread::XferInfoCallback(void* self, curl_off_t, curl_off_t dlnow, curl_off_t,
                                        curl_off_t) {
    auto* const thread = static_cast<TDownloaderThread*>(self);
    if (thread->Cancelled())
        return 1;
    if (dlnow != thread->FLastCount) {
        thread->FLastCount = dlnow;
        if (dlnow > 0 && isSuccess(StatusOf(thread->FHandle)))
            thread->HttpWork(thread->FHandle, 0, dlnow);
        // Time spent waiting for the interface is not time without data.
        thread->FSinceData.restart();
        return thread->Cancelled() ? 1 : 0;
    }
    if (thread->FSinceData.elapsed() > thread->FStallMs) {
        thread->FStalled = true;
        return 1;
    }
    return 0;
}
