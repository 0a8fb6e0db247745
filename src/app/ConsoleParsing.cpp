#include "app/ConsoleParsing.h"

#include <QLocale>

#include <cmath>

namespace {

// A decimal number with "." as the point, whatever the user's locale says.
double parseCNumber(QStringView text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

// The tool prints "main: processing '<path>' (N samples, S sec), ..."; the path may hold anything,
// so the group is searched after the last quote of the path.
std::optional<double> durationFromSampleGroup(const QString& line) {
    const qsizetype open = line.indexOf(QLatin1Char('\''));
    const qsizetype close = line.lastIndexOf(QStringLiteral("' ("));
    if (open < 0 || close <= open)
        return std::nullopt;
    const qsizetype groupStart = close + 3;
    const qsizetype groupEnd = line.indexOf(QLatin1Char(')'), groupStart);
    if (groupEnd < 0)
        return std::nullopt;
    const QStringView group = QStringView(line).mid(groupStart, groupEnd - groupStart);
    const qsizetype comma = group.indexOf(QStringLiteral(" samples, "));
    if (comma < 0 || !group.endsWith(QStringLiteral(" sec")))
        return std::nullopt;
    bool samplesOk = false;
    (void)group.left(comma).toLongLong(&samplesOk);
    if (!samplesOk)
        return std::nullopt;
    const qsizetype numberStart = comma + 10;
    return parseCNumber(group.mid(numberStart, group.size() - 4 - numberStart));
}

int twoDigits(QStringView text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

double ParseDurationLine(const QString& line) {
    if (!line.startsWith(QStringLiteral("main: processing")))
        return 0.0;
    if (const std::optional<double> fromGroup = durationFromSampleGroup(line))
        return *fromGroup;
    const qsizetype p = line.indexOf(QStringLiteral(" sec"));
    if (p < 0)
        return 0.0;
    qsizetype space = p - 1;
    while (space >= 0 && line.at(space) != QLatin1Char(' '))
        --space;
    if (space < 0)
        return 0.0;
    return parseCNumber(QStringView(line).mid(space + 1, p - space - 1));
}

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

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

std::optional<int> ProgressPosition(double segmentEnd, double duration) {
    if (!(duration > 0.0))
        return std::nullopt;
    double p = segmentEnd / duration * 100.0;
    if (p > 100.0)
        p = 100.0;
    return RoundHalfEven(p);
}
