#pragma once
// The application's identity, read once at start from the program file's version block.

#include <QString>

struct TAppIdentity {
    QString CompanyName;
    QString ProductName;
    QString VersionText; // major.minor of the fixed file version
};

// Raises EOSError (services/VersionInfo.h) when the file carries no readable version block.
// Raises EOSError when the file carries no readable version block.
TAppIdentity ReadAppIdentity(const QString& executablePath);

// What start-up goes on with after that error: the names the build was made with, and the version
// numbers the server requests send when the fixed version cannot be read.
TAppIdentity FallbackAppIdentity();
