#include "models/DownloadCheck.h"

#include <mutex>

TProgressView ProgressFor(qint64 workCount, qint64 contentLength,
                          const QByteArray& transferEncoding) {
    if (transferEncoding.toLower().contains("chunked") || contentLength <= 0)
        return {true, 0};
    return {false, static_cast<int>(workCount * 100 / contentLength)};
}

void CheckModelBody(qint64 declaredLength, qint64 receivedLength, const QByteArray& head) {
    if (declaredLength >= 0 && receivedLength != declaredLength)
        throw EDownload(QStringLiteral("The download is incomplete: %1 of %2 bytes arrived.")
                            .arg(receivedLength)
                            .arg(declaredLength));
    if (!head.startsWith(QByteArray(ModelMagic, sizeof ModelMagic)))
        throw EDownload(QStringLiteral("The server did not send a speech model file."));
}

namespace {
std::mutex timeoutLock;
TDownloadTimeouts timeouts;
} // namespace

TDownloadTimeouts DownloadTimeouts() {
    const std::lock_guard guard(timeoutLock);
    return timeouts;
}

void setDownloadTimeoutsForTests(const TDownloadTimeouts& value) {
    const std::lock_guard guard(timeoutLock);
    timeouts = value;
}
