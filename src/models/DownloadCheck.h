#pragma once
// The pure decisions of a model download: what the progress bar shows, whether a finished body
// can be a model, and the time limits of the transfer.

#include "platform/Exception.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Every way a download can fail; the message says why in plain words.
class EDownload : public Exception {
public:
    using Exception::Exception;
};

// What the progress bar shows: the moving marquee, or a percentage from 0 to 100.
struct TProgressView {
    bool Marquee = true;
    int Percent = 0;
    bool operator==(const TProgressView&) const = default;
};

// A chunked body or one without a declared length (0 or less) can only show the marquee;
// otherwise the percentage is the byte count times 100 over the length, in 64 bits so that files
// beyond 2 GiB neither overflow nor go negative.
TProgressView ProgressFor(qint64 workCount, qint64 contentLength,
                          const QByteArray& transferEncoding);

// The first bytes of every whisper model file: the ggml magic 0x67676d6c stored little-endian.
inline constexpr char ModelMagic[] = {'l', 'm', 'g', 'g'};

// Raises EDownload when a body that arrived with a success status cannot be a complete model:
// fewer or more bytes than the server declared (declaredLength < 0: nothing declared), or a
// beginning other than the model magic (an error page, a portal's login form, an empty body).
void CheckModelBody(qint64 declaredLength, qint64 receivedLength, const QByteArray& head);

// Time limits of one transfer, in milliseconds.
struct TDownloadTimeouts {
    int ConnectMs = 10000; // until the connection and the TLS handshake stand
    int StallMs = 60000;   // the longest wait for data on an open connection
};
TDownloadTimeouts DownloadTimeouts();
// Tests shorten the limits so that a stalled server is detected within their time; a
// default-constructed value restores the real ones.
void setDownloadTimeoutsForTests(const TDownloadTimeouts& timeouts);
