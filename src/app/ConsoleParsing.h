#pragma once
// Reading the recognizer's console lines: the audio length from its "main: processing" line and
// the end time of each recognised segment, and the progress position they give.

#include <QString>

#include <optional>

// ParseDurationLine (the audio length from the "main: processing" line) lives beside the
// recognizer's other readers.
#include "app/RecognizerOutput.h"

// The end of a segment line "[hh:mm:ss.mmm --> hh:mm:ss.mmm]" in seconds; 0 for any other line.
double ParseSegmentEnd(const QString& line);

// Rounds to the nearest integer, halves to the even neighbour (49.5 -> 50, 50.5 -> 50).
int RoundHalfEven(double value);

// The progress position (0..100) for a segment ending at segmentEnd of audio lasting duration;
// nothing when the duration is not known yet, so the bar stays where it is.
std::optional<int> ProgressPosition(double segmentEnd, double duration);
