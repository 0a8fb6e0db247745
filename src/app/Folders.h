#pragma once
// Where the application keeps its files: the data folder (settings and downloaded models) and the
// work folder (the recognizer's temporary outputs).

#include <QString>

// True when a new file "chk.tmp" can be created in folder; the file is removed at once. An
// existing "chk.tmp" makes the answer false.
bool IsFolderWritable(const QString& folder);

// The program folder when it is writable, else appData/company/product/ (created as needed).
QString ChooseDataFolder(const QString& programFolder, const QString& appDataFolder,
                         const QString& companyName, const QString& productName);

// This instance's work folder: a private per-user root + "kesveltrino/" + a sub-folder of this
// process, emptied and created anew. Other running copies keep their own sub-folders. Returns the
// folder with a trailing separator, or empty when no private place could be made.
// instance names this copy's sub-folder; the process number unless a test says otherwise.
QString PrepareWorkFolder(const QString& privateRoot, const QString& instance = {});

// Removes the work folder with everything in it, and the shared parent when it became empty.
void RemoveWorkFolder(const QString& workFolder);
