#include "platform/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace platform {

namespace {

QByteArray readProcFile(const char* path) {
    // /proc files report a size of 0, so they are read to their end rather than by size.
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString trimmedOfControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

} // namespace

std::optional<qint64> parseMemAvailable(const QByteArray& meminfo) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        QByteArray rest = line.mid(13).trimmed();
        qint64 factor = 1;
        if (rest.endsWith(" kB")) {
            factor = 1024;
            rest.chop(3);
        }
        bool ok = false;
        const qint64 value = rest.trimmed().toLongLong(&ok);
        if (!ok || value < 0)
            return std::nullopt;
        return value * factor;
    }
    return std::nullopt;
}

QString parseCpuModelName(const QByteArray& cpuinfo) {
    for (const QByteArray& line : cpuinfo.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "model name")
            continue;
        const QString name = trimmedOfControls(QString::fromUtf8(line.mid(colon + 1)));
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("Unknown CPU");
}

std::optional<qint64> availablePhysicalMemory() {
    return parseMemAvailable(readProcFile("/proc/meminfo"));
}

std::optional<qint64> availableDiskSpace(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    // The output folder may not exist yet; its nearest existing ancestor is on the same volume.
    QString folder = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return std::nullopt;
        folder = parent;
    }
    struct statvfs st {};
    if (statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return std::nullopt;
    return static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
}

QString processorName() {
    return parseCpuModelName(readProcFile("/proc/cpuinfo"));
}

} // namespace platform
