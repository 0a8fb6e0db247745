#include "platform/NamedMutex.h"

#include "platform/Paths.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

NamedMutex::NamedMutex(const QString& name) {
    const QString folder = privateTempFolder();
    if (folder.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(folder + name + QStringLiteral(".lock"));
    FHandle = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // A shared lock: every copy can hold it at once, like an unowned mutex.
    if (FHandle >= 0)
        ::flock(FHandle, LOCK_SH | LOCK_NB);
}

NamedMutex::~NamedMutex() {
    if (FHandle >= 0)
        ::close(FHandle);
}

} // namespace platform
