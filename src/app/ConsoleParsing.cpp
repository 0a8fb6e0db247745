#include "app/ConsoleParsing.h"

#include <cmath>

namespace {

int twoDigits(QStringView text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

double ParseSegmentEnd(const QString& line) {
    const qsizetype a = line.indexOf(QStringLiteral("--> "));
    if (a < 0)
        return 0.0;
    const qsizetype b = line.indexOf(QLatin1Char(']'));
    const qsizetype start = a + 4;
    if (b < 0 || start >= b)
        return 0.0;
    const QStringView t = QStringView(line).mid(start, b - start);
    if (t.size() != 12)
        return 0.0;
    const int hours = twoDigits(t.mid(0, 2));
    const int minutes = twoDigits(t.mid(3, 2));
    const int seconds = twoDigits(t.mid(6, 2));
    const int millis = twoDigits(t.mid(9, 3));
    return hours * 3600.0 + minutes * 60.0 + seconds + millis / 1000.0;
}

int RoundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

std::optional<int> ProgressPosition(double segmentEnd, double duration) {
    if (!(duration > 0.0))
        return std::nullopt;
    double p = segmentEnd / duration * 100.0;
    if (p > 100.0)
        p = 100.0;
    return RoundHalfEven(p);
}
