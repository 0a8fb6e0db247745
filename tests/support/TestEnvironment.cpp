#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace testenv {
namespace {
std::unique_ptr<QTemporaryDir> root;

void setFolder(const char* variable, const QString& path, bool privateMode = false) {
    QDir().mkpath(path);
    if (privateMode)
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    qputenv(variable, QFile::encodeName(path));
}
} // namespace

QString isolate() {
    if (!root) {
        root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vtest-XXXXXX"));
        const QString base = root->path();
        setFolder("HOME", base + QStringLiteral("/home"));
        setFolder("XDG_CONFIG_HOME", base + QStringLiteral("/home/.config"));
        setFolder("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
        setFolder("XDG_CACHE_HOME", base + QStringLiteral("/home/.cache"));
        setFolder("XDG_RUNTIME_DIR", base + QStringLiteral("/run"), true);
        setFolder("TMPDIR", base + QStringLiteral("/tmp"));
        qputenv("XDG_DESKTOP_DIR", QFile::encodeName(base + QStringLiteral("/home/Desktop")));
        QDir().mkpath(base + QStringLiteral("/home/Desktop"));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return root->path();
}

QString home() {
    return isolate() + QStringLiteral("/home");
}

QString sourceRoot() {
    // This file lives in <root>/tests/support.
    return QFileInfo(QStringLiteral(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../.."));
}

QString sharedTestData(const QString& name) {
    // The shared folder sits beside the checkout; a checkout nested deeper (a worktree inside a
    // folder of worktrees) finds it further up. Without any, the first place is named.
    const QString relative = QStringLiteral("shared/testdata/") + name;
    for (QDir dir(sourceRoot() + QStringLiteral("/.."));;) {
        if (QFileInfo::exists(dir.absoluteFilePath(relative)))
            return QDir::cleanPath(dir.absoluteFilePath(relative));
        if (!dir.cdUp())
            break;
    }
    return QDir::cleanPath(sourceRoot() + QStringLiteral("/../") + relative);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testenv
