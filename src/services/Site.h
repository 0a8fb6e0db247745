#pragma once
// The maker's web site. Its host is one build setting (VELTRINO_SITE_HOST); the default is a
// reserved name that never resolves, so a default build sends nothing to anyone.

#include <QString>

// "https://" or "http://" + host + path.
QString SiteUrl(bool secure, const QString& path);
// Tests point the secure and the plain address at their own local servers ("127.0.0.1:port").
void setSiteHostsForTests(const QString& secureHost, const QString& plainHost);
