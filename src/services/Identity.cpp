#include "services/Identity.h"

#include "services/VersionInfo.h"

TAppIdentity ReadAppIdentity(const QString& executablePath) {
    const TEXEVersionData data = GetEXEVersionData(executablePath);
    return {data.CompanyName, data.ProductName, VersionText(executablePath)};
}

TAppIdentity FallbackAppIdentity() {
    return {QStringLiteral(VELTRINO_COMPANY), QStringLiteral(VELTRINO_PRODUCT),
            QStringLiteral("65535.65535")};
}
