#include "services/Identity.h"

TAppIdentity ReadAppIdentity(const QString&) {
    return {QStringLiteral("Kestrane"), QStringLiteral("Veltrino"), QStringLiteral("1.0")};
}
