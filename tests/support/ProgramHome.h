#pragma once
// For programs that open the application's windows outside a test (the benchmark, the
// screenshots): a home of their own, so the real user's settings and data stay untouched.

#include <QFile>
#include <QString>

// Points HOME and the XDG configuration and data folders into folder; call before the
// application object exists.
inline void UseHomeFolder(const QString& folder) {
    qputenv("HOME", QFile::encodeName(folder));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder + QStringLiteral("/.local/share")));
}
