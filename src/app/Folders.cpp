#include "app/Folders.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsFolderWritable(const QString& folder) {
    const QByteArray path =
        QFile::encodeName(platform::withTrailingSeparator(folder) + QStringLiteral("chk.tmp"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // Removing the name first leaves no trace even if closing fails.
    ::unlink(path.constData());
    ::close(fd);
    return true;
}

QString ChooseDataFolder(const QString& programFolder, const QString& appDataFolder,
                         const QString& companyName, const QString& productName) {
    if (IsFolderWritable(programFolder))
        return platform::withTrailingSeparator(programFolder);
    const QString company = appDataFolder + QLatin1Char('/') + companyName;
    const QString product = company + QLatin1Char('/') + productName;
    // The per-user data folder itself may not exist yet on a fresh account.
    QDir().mkpath(company);
    QDir().mkdir(product);
    return platform::withTrailingSeparator(product);
}

namespace {
// A folder we may use: a real folder (not a link) owned by us and closed to others.
bool isOwnPrivateFolder(const QString& folder) {
    struct stat st {};
    return lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool makePrivateFolder(const QString& folder) {
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isOwnPrivateFolder(folder);
}
// A copy that crashed could not remove its folder; its process number no longer runs.
void removeFoldersOfEndedCopies(const QString& shared) {
    const QStringList entries =
        QDir(shared).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : entries) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (numeric && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            QDir(shared + QLatin1Char('/') + name).removeRecursively();
    }
}
} // namespace

QString PrepareWorkFolder(const QString& privateRoot, const QString& instance) {
    if (privateRoot.isEmpty() || !isOwnPrivateFolder(privateRoot))
        return {};
    const QString shared =
        platform::withTrailingSeparator(privateRoot) + QStringLiteral("kesveltrino");
    if (!makePrivateFolder(shared))
        return {};
    removeFoldersOfEndedCopies(shared);
    const QString mine =
        shared + QLatin1Char('/') +
        (instance.isEmpty() ? QString::number(QCoreApplication::applicationPid()) : instance);
    // A folder left by an earlier process with the same number is stale: empty it.
    if (QFileInfo(mine).isSymLink())
        QFile::remove(mine);
    else if (QFileInfo::exists(mine))
        QDir(mine).removeRecursively();
    if (!makePrivateFolder(mine)) {
        // Another copy ending just now may have removed the shared parent after we made it.
        if (QFileInfo::exists(shared) || !makePrivateFolder(shared) || !makePrivateFolder(mine))
            return {};
    }
    return platform::withTrailingSeparator(mine);
}

void RemoveWorkFolder(const QString& workFolder) {
    if (workFolder.isEmpty())
        return;
    QDir folder(workFolder);
    folder.removeRecursively();
    // The shared parent goes too once the last running copy has left it (rmdir refuses otherwise).
    QDir parent(QDir::cleanPath(workFolder + QStringLiteral("/..")));
    parent.rmdir(parent.absolutePath());
}
