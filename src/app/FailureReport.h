#pragma once
// The text of the failure report: what was converted, where to, with which model, the machine's
// state, and everything the recognizer printed.

#include <QString>
#include <QStringConverter>
#include <QStringList>

// "#.00 GB/MB/KB/bytes" with the user's decimal separator (1024 -> "1024.00 bytes", 0 -> ".00
// bytes").
QString FormatByteSize(qint64 bytes);

// Undoes the console decoding of text that was UTF-8: encodes with the encoding the console's
// bytes were decoded with and decodes as UTF-8; the text stays as it is when that is not valid
// UTF-8. The one-argument form undoes the process runner's own decoding (the system's encoding),
// which leaves text the runner read as UTF-8 unchanged.
QString RepairConsoleText(const QString& text, QStringConverter::Encoding consoleEncoding);
QString RepairConsoleText(const QString& text);

// Free physical memory, formatted; "Error" when it cannot be read.
QString FreeMemoryText();
// Free space on the volume of path, formatted; empty when it cannot be read.
QString FreeDiskText(const QString& path);
// The processor's name, "Unknown CPU" when the system does not say.
QString CpuName();

struct TFailureFacts {
    QString Input;
    QString Output;
    QString Model;
    QString AvailableRam;
    QString AvailableDisk;
    QString Cpu;
    QStringList ConsoleLines;
};

// Six header lines and an empty line separated by CR, then each console line followed by CR LF.
QString BuildFailureReport(const TFailureFacts& facts);
