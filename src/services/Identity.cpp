#include "services/Identity.h"

#include "services/VersionInfo.h"

TAppIdentity ReadAppIdentity(const QString& executablePath) {
    const TEXEVersionData data = GetEXEVersionData(executablePath);
    return {data.CompanyName, data.ProductName, VersionText(executablePath)};
}
