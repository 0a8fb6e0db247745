#include "services/ServerRequests.h"

#include "platform/Curl.h"
#include "services/Site.h"

#include <QFile>
#include <QMessageAuthenticationCode>
#include <QSysInfo>
#include <QUrl>

#include <mutex>

namespace {

// A reply larger than this is no reply of the maker's scripts; refusing it bounds the memory a
// hostile or broken server can make us take.
constexpr qsizetype MaxReplyBytes = 1024 * 1024;

std::mutex fileLock;
QString machineIdOverride;
QString osReleaseOverride;

QString overrideOr(const QString& value, const char* fallback) {
    const std::lock_guard guard(fileLock);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

size_t appendBody(char* data, size_t size, size_t count, void* target) {
    auto* body = static_cast<QByteArray*>(target);
    const size_t bytes = size * count;
    if (body->size() + static_cast<qsizetype>(bytes) > MaxReplyBytes)
        return 0; // makes libcurl stop with a write error
    body->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

// Names under the reserved top-level names never resolve; refusing them here keeps a default
// build from sending even a name query anywhere.
bool isReservedHost(const QString& url) {
    const QString host = QUrl(url).host().toLower();
    return host == QLatin1String("example") || host.endsWith(QLatin1String(".example")) ||
           host == QLatin1String("invalid") || host.endsWith(QLatin1String(".invalid"));
}

QByteArray formPart(const QString& text) {
    // The HTML form encoding: space as "+", everything but the unreserved characters escaped.
    return text.toUtf8().toPercentEncoding(" ").replace(' ', '+');
}

thread_local const std::atomic<bool>* tCancel = nullptr;

int abortWhenCancelled(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
}

} // namespace

TRequestCancelScope::TRequestCancelScope(const std::atomic<bool>& cancel) : FPrevious(tCancel) {
    tCancel = &cancel;
}

TRequestCancelScope::~TRequestCancelScope() {
    tCancel = FPrevious;
}

QByteArray EncodeForm(const QStringList& fields) {
    QByteArray body;
    for (const QString& field : fields) {
        if (!body.isEmpty())
            body.append('&');
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? field : field.left(eq);
        const QString value = eq < 0 ? QString() : field.mid(eq + 1);
        body.append(formPart(name)).append('=').append(formPart(value));
    }
    return body;
}

QString PostForm(const QString& url, const QStringList& fields, int timeoutMs) {
    const bool secure = url.toLower().startsWith(QLatin1String("https://"));
    if (isReservedHost(url))
        throw EHttpError(QStringLiteral("Could not resolve host: ") + QUrl(url).host());

    platform::CurlHandle handle = platform::NewCurlHandle();
    if (!handle)
        throw EHttpError(QStringLiteral("The HTTP client could not be created"));
    CURL* h = handle.get();

    const QByteArray address = url.toUtf8();
    const QByteArray body = EncodeForm(fields);
    QByteArray reply;
    char errorText[CURL_ERROR_SIZE] = {};

    struct SListDeleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };
    // "Expect:" keeps libcurl from waiting for a "100 Continue" before a long body; it sends no
    // header of its own.
    std::unique_ptr<curl_slist, SListDeleter> headers(curl_slist_append(nullptr, "Expect:"));
    if (secure && headers)
        headers.reset(curl_slist_append(headers.release(), "Connection: close"));

    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    if (headers)
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    // The connection and the response each get the whole time-out; libcurl bounds the transfer as
    // a whole, so its limit is the sum of the two.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, 2L * timeoutMs);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, secure ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    if (tCancel) {
        if (tCancel->load(std::memory_order_relaxed))
            throw EHttpError(QStringLiteral("The request was cancelled"));
        // libcurl calls this about once a second at the least, also while it resolves or
        // connects.
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &abortWhenCancelled);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(tCancel));
    }

    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK) {
        const QString detail = QString::fromUtf8(errorText).trimmed();
        throw EHttpError(detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail);
    }
    return QString::fromUtf8(reply);
}

QString PostFormWithFallback(const QString& path, const QStringList& fields, int timeoutMs,
                             const std::function<void(const QString&)>& onHttpsError) {
    try {
        return PostForm(SiteUrl(true, path), fields, timeoutMs);
    } catch (const EHttpError& e) {
        if (onHttpsError)
            onHttpsError(e.message());
    }
    return PostForm(SiteUrl(false, path), fields, timeoutMs);
}

QString ReplyElement(const QString& line, const QString& name) {
    if (line.isEmpty() || name.isEmpty())
        return {};
    const QString open = QLatin1Char('<') + name.toLower() + QLatin1Char('>');
    const QString close = QStringLiteral("</") + name.toLower() + QLatin1Char('>');
    if (line.size() < open.size() + close.size() || !line.startsWith(open) || !line.endsWith(close))
        return {};
    return line.mid(open.size(), line.size() - open.size() - close.size());
}

void setMachineIdFileForTests(const QString& path) {
    const std::lock_guard guard(fileLock);
    machineIdOverride = path;
}

void setOsReleaseFileForTests(const QString& path) {
    const std::lock_guard guard(fileLock);
    osReleaseOverride = path;
}

QString ReadMachineGuid() {
    QFile file(overrideOr(machineIdOverride, "/etc/machine-id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray id = file.read(256).trimmed();
    if (id.isEmpty())
        return {};
    // The platform's id is confidential: only a keyed digest of it, with a key of this application,
    // leaves the machine. It stays stable per machine and cannot be matched with other programs'.
    static const QByteArray key = QByteArrayLiteral("Kestrane update check machine key 7f3e91c2");
    const QByteArray digest =
        QMessageAuthenticationCode::hash(id, key, QCryptographicHash::Sha256).left(16).toHex();
    const QString hex = QString::fromLatin1(digest);
    return hex.mid(0, 8) + QLatin1Char('-') + hex.mid(8, 4) + QLatin1Char('-') + hex.mid(12, 4) +
           QLatin1Char('-') + hex.mid(16, 4) + QLatin1Char('-') + hex.mid(20, 12);
}

QString OSDescriptionFrom(const QString& prettyName, const QString& kernelRelease, bool is64Bit) {
    // "6.1.0-13-amd64": major, minor and the third number (the build) of the release.
    int numbers[3] = {0, 0, 0};
    int index = 0;
    bool inNumber = false;
    for (const QChar c : kernelRelease) {
        if (c.isDigit()) {
            numbers[index] = numbers[index] * 10 + c.digitValue();
            if (numbers[index] > 99999999)
                numbers[index] = 99999999;
            inNumber = true;
        } else if (c == QLatin1Char('.') && inNumber && index < 2) {
            ++index;
            inNumber = false;
        } else {
            break;
        }
    }
    const QString name = prettyName.isEmpty() ? QStringLiteral("Linux") : prettyName;
    const QString edition =
        is64Bit ? QStringLiteral("64-bit Edition") : QStringLiteral("32-bit Edition");
    // One substitution pass: a "%2" inside the distribution's name stays as it is.
    return QStringLiteral("%1 (Version %2.%3, Build %4, %5)")
        .arg(name, QString::number(numbers[0]), QString::number(numbers[1]),
             QString::number(numbers[2]), edition);
}

namespace {
QString prettyNameFrom(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
        if (!line.startsWith(QLatin1String("PRETTY_NAME=")))
            continue;
        QString value = line.mid(12);
        if (value.size() >= 2 &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}
} // namespace

QString OSDescription() {
    QString overridePath;
    {
        const std::lock_guard guard(fileLock);
        overridePath = osReleaseOverride;
    }
    QString pretty;
    if (!overridePath.isEmpty()) {
        pretty = prettyNameFrom(overridePath);
    } else {
        pretty = prettyNameFrom(QStringLiteral("/etc/os-release"));
        if (pretty.isEmpty())
            pretty = prettyNameFrom(QStringLiteral("/usr/lib/os-release"));
    }
    const bool is64 = QSysInfo::currentCpuArchitecture().contains(QLatin1String("64")) ||
                      QSysInfo::currentCpuArchitecture() == QLatin1String("s390x");
    return OSDescriptionFrom(pretty, QSysInfo::kernelVersion(), is64);
}
