#pragma once
// The loopback HTTP and HTTPS servers of form_server.py, driven from a test: scripted replies per
// scheme and the requests as the servers received them.

#include "platform/Curl.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

struct ReceivedRequest {
    QString scheme;
    QString path;
    QJsonObject headers; // names in lower case
    QByteArray body;

    // The form's fields decoded, in wire order.
    QList<QPair<QString, QString>> fields() const {
        QList<QPair<QString, QString>> out;
        for (const QByteArray& part : body.split('&')) {
            const qsizetype eq = part.indexOf('=');
            auto decode = [](QByteArray text) {
                return QString::fromUtf8(QByteArray::fromPercentEncoding(text.replace('+', ' ')));
            };
            out.append({decode(part.left(eq)), decode(part.mid(eq + 1))});
        }
        return out;
    }
};

class FormServer {
public:
    int httpPort = 0;
    int httpsPort = 0;
    int untrustedPort = 0;
    QString caFile;

    FormServer() {
        FProcess.setProgram(QStringLiteral("python3"));
        FProcess.setArguments({QStringLiteral(VELTRINO_FORM_SERVER), FWork.path()});
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.start();
    }
    ~FormServer() {
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(5000)) {
            FProcess.kill();
            FProcess.waitForFinished(5000);
        }
    }

    bool waitReady() {
        const QDeadlineTimer deadline(30000);
        while (httpPort == 0 && readSome(deadline)) {
        }
        return httpPort != 0;
    }

    QString httpsHost() const { return QStringLiteral("127.0.0.1:%1").arg(httpsPort); }
    QString httpHost() const { return QStringLiteral("127.0.0.1:%1").arg(httpPort); }
    QString untrustedHost() const { return QStringLiteral("127.0.0.1:%1").arg(untrustedPort); }

    // Sets the reply of one scheme and waits until the server has taken it.
    bool setReply(const QString& scheme, int status, const QString& body, double delay = 0,
                  bool drop = false) {
        QJsonObject command{{"scheme", scheme},
                            {"status", status},
                            {"body", body},
                            {"delay", delay},
                            {"drop", drop}};
        FProcess.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
        const int wanted = ++FCommands;
        const QDeadlineTimer deadline(10000);
        while (FAcks < wanted && readSome(deadline)) {
        }
        return FAcks >= wanted;
    }

    // Waits (bounded) until at least count requests have arrived in all, and returns them all.
    QList<ReceivedRequest> requests(int count) {
        const QDeadlineTimer deadline(10000);
        while (FRequests.size() < count && readSome(deadline)) {
        }
        return FRequests;
    }
    // Whatever has arrived so far, after reading what is waiting.
    QList<ReceivedRequest> requestsSoFar() {
        while (FProcess.waitForReadyRead(50))
            parse();
        parse();
        return FRequests;
    }
    void clearRequests() {
        requestsSoFar();
        FRequests.clear();
    }

private:
    QTemporaryDir FWork;
    QProcess FProcess;
    QByteArray FBuffer;
    QList<ReceivedRequest> FRequests;
    int FCommands = 0;
    int FAcks = 0;

    bool readSome(const QDeadlineTimer& deadline) {
        if (deadline.hasExpired() || FProcess.state() == QProcess::NotRunning)
            return false;
        FProcess.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 500)));
        parse();
        return true;
    }

    void parse() {
        FBuffer += FProcess.readAllStandardOutput();
        qsizetype nl;
        while ((nl = FBuffer.indexOf('\n')) >= 0) {
            const QJsonObject o = QJsonDocument::fromJson(FBuffer.left(nl)).object();
            FBuffer.remove(0, nl + 1);
            if (o.contains(QLatin1String("ready"))) {
                const QJsonObject r = o.value(QLatin1String("ready")).toObject();
                httpPort = r.value(QLatin1String("http")).toInt();
                httpsPort = r.value(QLatin1String("https")).toInt();
                untrustedPort = r.value(QLatin1String("untrusted")).toInt();
                caFile = r.value(QLatin1String("ca")).toString();
            } else if (o.contains(QLatin1String("ack"))) {
                FAcks = o.value(QLatin1String("ack")).toInt();
            } else if (o.contains(QLatin1String("request"))) {
                const QJsonObject r = o.value(QLatin1String("request")).toObject();
                FRequests.append({r.value(QLatin1String("scheme")).toString(),
                                  r.value(QLatin1String("path")).toString(),
                                  r.value(QLatin1String("headers")).toObject(),
                                  r.value(QLatin1String("body")).toString().toLatin1()});
            }
        }
    }
};

// Starts the servers for a test case and makes the transport trust them: proxies from the
// environment are dropped (a request to loopback must never leave through one) and the servers'
// own authority joins the trusted ones. Null when the servers did not come up.
inline std::unique_ptr<FormServer> StartTrustedFormServer() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    auto server = std::make_unique<FormServer>();
    if (!server->waitReady())
        return nullptr;
    platform::setExtraCaFile(server->caFile);
    return server;
}

