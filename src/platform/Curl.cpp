#include "platform/Curl.h"

#include <QFile>

#include <mutex>

namespace platform {
namespace {
std::once_flag globalInit;
std::mutex caLock;
QString caFile;
} // namespace

void setExtraCaFile(const QString& file) {
    const std::lock_guard guard(caLock);
    caFile = file;
}

QString extraCaFile() {
    const std::lock_guard guard(caLock);
    return caFile;
}

CurlHandle NewCurlHandle() {
    std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return handle;
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    const QString extra = extraCaFile();
    if (!extra.isEmpty()) {
        // Trusted in addition to the system store: a CA blob would replace it, so the extra
        // authority is given as the file and the system folder stays the path.
        curl_easy_setopt(h, CURLOPT_CAINFO, QFile::encodeName(extra).constData());
        curl_easy_setopt(h, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    return handle;
}

} // namespace platform
