#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QString withTrailingSeparator(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

namespace {
QString programFolderOverride;
}

QString programFolder() {
    if (!programFolderOverride.isEmpty())
        return withTrailingSeparator(programFolderOverride);
    return withTrailingSeparator(QCoreApplication::applicationDirPath());
}

void setProgramFolderForTests(const QString& folder) {
    programFolderOverride = folder;
}

QString appDataFolder() {
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString desktopFolder() {
    // As the user would type it: no separator at the end.
    QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

namespace {

// True when path is a real folder of ours that nobody else can write into.
bool isPrivateFolder(const QByteArray& path) {
    struct stat st {};
    if (lstat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

QString ensurePrivate(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    return isPrivateFolder(native) ? withTrailingSeparator(folder) : QString();
}

} // namespace

QString privateTempFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return withTrailingSeparator(QFile::decodeName(runtime));
    const QString perUser =
        QDir::tempPath() + QStringLiteral("/veltrino-") + QString::number(geteuid());
    return ensurePrivate(perUser);
}

} // namespace platform
