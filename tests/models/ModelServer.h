#pragma once
// The local HTTPS model repository of model_server.py, run as a child process on 127.0.0.1 with
// a certificate authority it creates at start. Shared by the tests and the download benchmark.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

class ModelServer {
public:
    // Starts the script; false (with the reason in error()) when it does not come up in time.
    bool start(const QString& script) {
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.start(QStringLiteral("python3"), {script, QStringLiteral("--dir"), FDir.path()});
        if (!FProcess.waitForStarted(10000)) {
            FError = FProcess.errorString();
            return false;
        }
        QByteArray out;
        while (!out.contains('\n') && FProcess.waitForReadyRead(30000))
            out += FProcess.readAllStandardOutput();
        if (!out.startsWith("READY ")) {
            FError = QString::fromLocal8Bit(out + FProcess.readAllStandardError());
            return false;
        }
        FPort = out.mid(6).trimmed().toInt();
        return FPort > 0;
    }

    ~ModelServer() {
        // The script leaves when its standard input closes.
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(5000)) {
            FProcess.kill();
            FProcess.waitForFinished(5000);
        }
    }

    const QString& error() const { return FError; }
    int port() const { return FPort; }
    QString caFile() const { return FDir.filePath(QStringLiteral("ca.pem")); }

    // The repository base address serving bodies of the given size in the given way.
    QString baseUrl(const QString& mode, qint64 size,
                    const QString& host = QStringLiteral("127.0.0.1")) const {
        return QStringLiteral("https://%1:%2/%3/%4").arg(host).arg(FPort).arg(mode).arg(size);
    }

    // Lets a held response ("hold", "holdchunked") of the named remote file go on.
    void release(const QString& remoteName) const {
        QFile f(FDir.filePath(QStringLiteral("release-") + remoteName));
        f.open(QIODevice::WriteOnly);
    }
    void clear() const {
        QFile::remove(FDir.filePath(QStringLiteral("requests.log")));
        const QStringList released =
            QDir(FDir.path()).entryList({QStringLiteral("release-*")}, QDir::Files);
        for (const QString& name : released)
            QFile::remove(FDir.filePath(name));
    }

    // Every request since the last clear(), in arrival order.
    QList<QJsonObject> requests() const {
        QList<QJsonObject> result;
        QFile f(FDir.filePath(QStringLiteral("requests.log")));
        if (!f.open(QIODevice::ReadOnly))
            return result;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                result.append(QJsonDocument::fromJson(line).object());
        return result;
    }

    // The body the server sends for a size: the model magic, then byte i = i % 251.
    static QByteArray body(qint64 size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = char(i % 251);
        bytes.replace(0, qMin<qint64>(4, size), QByteArray("lmgg").left(size));
        return bytes;
    }

private:
    QTemporaryDir FDir;
    QProcess FProcess;
    QString FError;
    int FPort = 0;
};
