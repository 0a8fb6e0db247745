#pragma once
// Shared set-up of libcurl handles: one global initialisation, and the TLS rules every request of
// the application follows (the server's certificate and host name are verified against the
// system's trust store, TLS 1.2 at the least).

#include <QString>

#include <curl/curl.h>

#include <memory>

namespace platform {

// A handle of its own for each request; freed with the pointer.
struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// Initialises libcurl once per process (thread-safe) and returns a new handle with the TLS rules
// applied; null when libcurl cannot make one.
CurlHandle NewCurlHandle();

// An extra certificate authority file trusted besides the system's; tests use it to trust their
// own local server. Empty: the system's store alone.
void setExtraCaFile(const QString& caFile);
QString extraCaFile();

} // namespace platform
