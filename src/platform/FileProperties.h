#pragma once
// What the properties window of a file shows, one labelled line each: name, folder, size, type,
// modified time and permissions. Kept apart from the window so it can be checked without one.

#include <QFileDevice>
#include <QList>
#include <QString>

namespace platform {

struct TFileProperty {
    QString label;
    QString value;
};

QList<TFileProperty> FileProperties(const QString& filePath);

// "rwxr-x---": owner, group and others, as a file manager shows them.
QString PermissionText(QFileDevice::Permissions permissions);

// "1.5 MiB (1,572,864 bytes)" in the user's locale; small sizes in bytes only.
QString SizeText(qint64 bytes);

} // namespace platform
