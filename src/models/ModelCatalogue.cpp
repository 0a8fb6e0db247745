#include "models/ModelCatalogue.h"

const QList<TModelInfo>& ModelCatalogue() {
    static const QList<TModelInfo> models{
        {QStringLiteral("Base (141 MB)"), QStringLiteral("ggml-base.bin"), true, QString()},
        {QStringLiteral("Small (465 MB)"), QStringLiteral("ggml-small.bin"), false,
         QStringLiteral("ggml-small.bin")},
        {QStringLiteral("Medium (1462 MB)"), QStringLiteral("ggml-medium.bin"), false,
         QStringLiteral("ggml-medium.bin")},
        {QStringLiteral("Large (2952 MB)"), QStringLiteral("ggml-large.bin"), false,
         QStringLiteral("ggml-large-v3.bin")},
        {QStringLiteral("Large Turbo (1625 MB)"), QStringLiteral("ggml-large-turbo.bin"), false,
         QStringLiteral("ggml-large-v3-turbo.bin")},
    };
    return models;
}

QString RemoteModelName(const QString& localName) {
    for (const TModelInfo& model : ModelCatalogue())
        if (model.LocalName == localName)
            return model.RemoteName;
    return {};
}
