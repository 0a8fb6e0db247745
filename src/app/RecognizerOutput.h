#pragma once
// Readers of the recognizer's console lines. Pure functions: no state, no locale (the recognizer
// always writes "." as its decimal point).

#include <QString>

// The audio length in seconds from a "main: processing" line, or 0 when the line is not one.
// whisper-cli prints the input's path inside that line before the "(N samples, S sec)" group, so a
// file named "30 sec ad.mp3" must not be read as 30 seconds: the group is read when the line has
// it (the last one, as the path itself may hold a look-alike), and only otherwise the number just
// before the first " sec".
double ParseDurationLine(const QString& ALine);
