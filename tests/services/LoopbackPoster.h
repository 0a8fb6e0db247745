#pragma once
// A plain form poster for the feedback tests while the application's own transport is not in this
// tree: UTF-8 form encoding in field order, a time-out, and an exception on any failure, which is
// all the feedback window relies on.

#include "platform/Curl.h"
#include "services/ServerRequests.h"

#include <QStringList>
#include <QUrl>

inline QString LoopbackPost(const QString& url, const QStringList& fields, int timeoutMs) {
    QByteArray body;
    for (const QString& field : fields) {
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(field.left(eq)) + '=' +
                QUrl::toPercentEncoding(field.mid(eq + 1));
    }
    platform::CurlHandle curl = platform::NewCurlHandle();
    if (!curl)
        throw EHttpError(QStringLiteral("no transport"));
    const QByteArray address = url.toUtf8();
    QByteArray reply;
    const auto append = +[](char* data, size_t size, size_t count, void* target) -> size_t {
        static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
        return size * count;
    };
    curl_easy_setopt(curl.get(), CURLOPT_URL, address.constData());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, long(body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply);
    const CURLcode result = curl_easy_perform(curl.get());
    if (result != CURLE_OK)
        throw EHttpError(QString::fromUtf8(curl_easy_strerror(result)));
    return QString::fromUtf8(reply);
}
