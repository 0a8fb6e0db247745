#include "app/Images.h"

#include <QHash>

namespace {
// Theme names that fit our pictures; pictures without one always come from the resources.
const QHash<QString, QString>& themeNames() {
    static const QHash<QString, QString> names{
        {QStringLiteral("file-sound"), QStringLiteral("audio-x-generic")},
        {QStringLiteral("folder32"), QStringLiteral("folder")},
        {QStringLiteral("add-folders"), QStringLiteral("folder-new")},
        {QStringLiteral("help"), QStringLiteral("help-browser")},
        {QStringLiteral("about"), QStringLiteral("help-about")},
    };
    return names;
}
} // namespace

QIcon NamedImage(const QString& name) {
    const QIcon own(QStringLiteral(":/images/") + name + QStringLiteral(".svg"));
    const auto theme = themeNames().constFind(name);
    if (theme != themeNames().cend())
        return QIcon::fromTheme(*theme, own);
    return own;
}
