#include "services/Site.h"

#include <mutex>

namespace {
std::mutex hostLock;
QString secureOverride;
QString plainOverride;
} // namespace

QString SiteUrl(bool secure, const QString& path) {
    QString host = QStringLiteral(VELTRINO_SITE_HOST);
    {
        const std::lock_guard guard(hostLock);
        const QString& chosen = secure ? secureOverride : plainOverride;
        if (!chosen.isEmpty())
            host = chosen;
    }
    return (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host + path;
}

void setSiteHostsForTests(const QString& secureHost, const QString& plainHost) {
    const std::lock_guard guard(hostLock);
    secureOverride = secureHost;
    plainOverride = plainHost;
}
