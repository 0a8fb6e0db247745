#pragma once
// Well-known folders. Folder paths come back with a trailing separator.

#include <QString>

namespace platform {

// The folder of the running executable.
QString programFolder();
// Tests point the program folder at a temporary copy; an empty path restores the real one.
void setProgramFolderForTests(const QString& folder);
// The per-user application-data folder (no trailing separator, as the callers append to it).
QString appDataFolder();
// The user's desktop folder.
QString desktopFolder();
// A folder private to this user for temporary work: the runtime folder when the session has one,
// else the temporary folder with a per-user name. Created with mode 0700 when missing; refused
// (empty result) when it is a link, not a folder, or owned by someone else.
QString privateTempFolder();

// Appends the separator when missing.
QString withTrailingSeparator(const QString& path);

} // namespace platform
