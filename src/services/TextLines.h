#pragma once

#include <QString>
#include <QStringList>

// Splits at CR LF, LF or CR, the line ends of every platform a text file may come from; a final
// line end adds no empty line.
QStringList SplitTextLines(const QString& text);
