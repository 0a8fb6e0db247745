#include "platform/FileProperties.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

namespace platform {

QString PermissionText(QFileDevice::Permissions permissions) {
    const struct {
        QFileDevice::Permission flag;
        char letter;
    } bits[] = {{QFileDevice::ReadOwner, 'r'},  {QFileDevice::WriteOwner, 'w'},
                {QFileDevice::ExeOwner, 'x'},   {QFileDevice::ReadGroup, 'r'},
                {QFileDevice::WriteGroup, 'w'}, {QFileDevice::ExeGroup, 'x'},
                {QFileDevice::ReadOther, 'r'},  {QFileDevice::WriteOther, 'w'},
                {QFileDevice::ExeOther, 'x'}};
    QString text;
    for (const auto& bit : bits)
        text += QLatin1Char(permissions.testFlag(bit.flag) ? bit.letter : '-');
    return text;
}

QString SizeText(qint64 bytes) {
    const QLocale locale;
    const QString exact = locale.toString(bytes) + QStringLiteral(" bytes");
    if (bytes < 1024)
        return exact;
    return locale.formattedDataSize(bytes) + QStringLiteral(" (") + exact + QLatin1Char(')');
}

QList<TFileProperty> FileProperties(const QString& filePath) {
    const QFileInfo info(filePath);
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    QString type = mime.isValid() && !mime.isDefault() ? mime.comment() : QString();
    if (type.isEmpty())
        type = info.suffix().isEmpty() ? QStringLiteral("File")
                                       : info.suffix().toUpper() + QStringLiteral(" File");
    return {
        {QStringLiteral("Name"), info.fileName()},
        {QStringLiteral("Folder"), QDir::toNativeSeparators(info.absolutePath())},
        {QStringLiteral("Size"), SizeText(info.size())},
        {QStringLiteral("Type"), type},
        {QStringLiteral("Modified"), QLocale().toString(info.lastModified(), QLocale::LongFormat)},
        {QStringLiteral("Permissions"), PermissionText(info.permissions())},
    };
}

} // namespace platform
