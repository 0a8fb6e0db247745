#include "app/FailureReport.h"

#include "app/OutputFiles.h"
#include "platform/SystemInfo.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

QString FormatByteSize(qint64 bytes) {
    constexpr qint64 kb = 1024;
    constexpr qint64 mb = kb * 1024;
    constexpr qint64 gb = mb * 1024;
    double value = static_cast<double>(bytes);
    QString unit = QStringLiteral(" bytes");
    if (bytes > gb) {
        value /= gb;
        unit = QStringLiteral(" GB");
    } else if (bytes > mb) {
        value /= mb;
        unit = QStringLiteral(" MB");
    } else if (bytes > kb) {
        value /= kb;
        unit = QStringLiteral(" KB");
    }
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', 2);
    // "#.00" shows no integer digit for values below one.
    const QString zero = locale.zeroDigit() + locale.decimalPoint();
    if (text.startsWith(zero))
        text.remove(0, zero.size() - locale.decimalPoint().size());
    else if (text.startsWith(locale.negativeSign() + zero))
        text.remove(locale.negativeSign().size(), zero.size() - locale.decimalPoint().size());
    return text + unit;
}

QString RepairConsoleText(const QString& text) {
    return RepairConsoleText(text, QStringConverter::System);
}

QString RepairConsoleText(const QString& text, QStringConverter::Encoding consoleEncoding) {
    QStringEncoder encoder(consoleEncoding, QStringConverter::Flag::Default);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return text;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString repaired = decoder.decode(bytes);
    return decoder.hasError() ? text : repaired;
}

QString FreeMemoryText() {
    const std::optional<qint64> bytes = platform::availablePhysicalMemory();
    return bytes ? FormatByteSize(*bytes) : QStringLiteral("Error");
}

QString FreeDiskText(const QString& path) {
    const std::optional<qint64> bytes = platform::availableDiskSpace(path);
    return bytes ? FormatByteSize(*bytes) : QString();
}

QString CpuName() {
    return platform::processorName();
}

QString BuildFailureReport(const TFailureFacts& facts) {
    const QChar cr = QLatin1Char('\r');
    QString report = QStringLiteral("Input: ") + facts.Input + cr;
    report += QStringLiteral("Output: ") + facts.Output + cr;
    report += QStringLiteral("Model: ") + facts.Model + cr;
    report += QStringLiteral("Available RAM: ") + facts.AvailableRam + cr;
    report += QStringLiteral("Available Disk: ") + facts.AvailableDisk + cr;
    report += QStringLiteral("CPU: ") + facts.Cpu + cr;
    report += cr;
    QString console;
    for (const QString& line : facts.ConsoleLines)
        console += line + QStringLiteral("\r\n");
    return report + RepairConsoleText(console);
}
