#pragma once
// Reading the recognizer's console lines: the audio length from its "main: processing" line and
// the end time of each recognised segment, and the progress position they give.

#include <QString>

#include <optional>

// Seconds of audio named by a "main: processing" line; 0 for any other line or when no number
// can be read. The line carries the input's own path, so the "(N samples, S sec)" group after the
// quoted path is preferred: a file named "30 sec ad.mp3" must not pass for 30 seconds of audio.
double ParseDurationLine(const QString& line);

// The end of a segment line "[hh:mm:ss.mmm --> hh:mm:ss.mmm]" in seconds; 0 for any other line.
double ParseSegmentEnd(const QString& line);

// Rounds to the nearest integer, halves to the even neighbour (49.5 -> 50, 50.5 -> 50).
int RoundHalfEven(double value);

// The progress position (0..100) for a segment ending at segmentEnd of audio lasting duration;
// nothing when the duration is not known yet, so the bar stays where it is.
std::optional<int> ProgressPosition(double segmentEnd, double duration);
