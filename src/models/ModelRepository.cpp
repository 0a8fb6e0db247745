#include "models/ModelRepository.h"

#include "models/ModelCatalogue.h"

#include <mutex>

namespace {
std::mutex baseLock;
QString baseOverride;
} // namespace

QString ModelBaseUrl() {
    const std::lock_guard guard(baseLock);
    return baseOverride.isEmpty() ? QStringLiteral(VELTRINO_MODEL_BASE_URL) : baseOverride;
}

void setModelBaseUrlForTests(const QString& baseUrl) {
    const std::lock_guard guard(baseLock);
    baseOverride = baseUrl;
}

QString ModelDownloadUrl(const QString& localName) {
    const QString remote = RemoteModelName(localName);
    if (remote.isEmpty())
        return {};
    return ModelBaseUrl() + QStringLiteral("/resolve/main/") + remote;
}
