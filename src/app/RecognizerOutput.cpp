#include "app/RecognizerOutput.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

double parsePointNumber(QStringView text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

// The number before the first " sec", back to the preceding space.
double plainDuration(const QString& line) {
    const qsizetype secAt = line.indexOf(QLatin1String(" sec"));
    if (secAt < 0)
        return 0.0;
    const qsizetype spaceAt = line.lastIndexOf(QLatin1Char(' '), secAt - 1);
    if (spaceAt < 0)
        return 0.0;
    return parsePointNumber(QStringView(line).sliced(spaceAt + 1, secAt - spaceAt - 1));
}

} // namespace

double ParseDurationLine(const QString& ALine) {
    if (!ALine.startsWith(QLatin1String("main: processing")))
        return 0.0;
    static const QRegularExpression group(
        QStringLiteral("\\([0-9]+ samples, ([0-9]+(?:\\.[0-9]+)?) sec\\)"));
    QRegularExpressionMatch last;
    for (auto it = group.globalMatch(ALine); it.hasNext();)
        last = it.next();
    if (last.hasMatch())
        return parsePointNumber(last.capturedView(1));
    return plainDuration(ALine);
}
