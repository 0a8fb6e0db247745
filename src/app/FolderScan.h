#pragma once
// Finding the audio files of a folder tree for the job list.

#include <QString>
#include <QStringList>

// True when the extension of the lower-cased name (from its last ".", dot included) is ".mp3",
// ".wav", ".ogg" or ".flac". A dot inside a folder part of a path does not count.
bool IsAudioFile(const QString& name);

// Appends the audio files under folder to found, depth first: a sub-folder's files come at the
// point where the sub-folder is met, entries in the order the file system returns them, hidden
// entries included. Unreadable folders contribute nothing. A folder reached through a symbolic
// link is followed at most once, and a folder already on the current path is never entered
// again, so link loops end. Paths are folder + separator + name, the folder as given.
void ScanFolder(const QString& folder, QStringList& found);
