#pragma once
// What the runner's tests share: the test child's place, Windows-style argument quoting, and a
// recorder of every event a run raises, in order.

#include "process/DosCommand.h"

#include <QCoreApplication>
#include <QStringList>

namespace dostest {

// The test child is built beside the test programs.
inline QString childPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/dostestchild");
}

// Quotes one argument so that the Windows command-line rules give it back unchanged.
inline QString quoteArgument(const QString& AArg) {
    if (!AArg.isEmpty() && !AArg.contains(u' ') && !AArg.contains(u'\t') && !AArg.contains(u'"'))
        return AArg;
    QString out = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : AArg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            out += QString(backslashes * 2 + 1, u'\\') + c;
        else
            out += QString(backslashes, u'\\') + c;
        backslashes = 0;
    }
    out += QString(backslashes * 2, u'\\') + QStringLiteral("\"");
    return out;
}

// A command line running the test child with these steps.
inline QString childCommand(const QStringList& ASteps) {
    QString line = quoteArgument(childPath());
    for (const QString& s : ASteps)
        line += u' ' + quoteArgument(s);
    return line;
}

// Every event of a component in order: "E:text" (entire line), "B:text" (beginning of line),
// "T" (terminated). Characters of OnNewChar are collected separately.
struct Recorder {
    QStringList events;
    QString chars;
    int terminated = 0;
    std::function<void(const QString&, TOutputType)> onLine;
    std::function<void()> onTerminated;

    void attach(TDosCommand& ACommand, bool AWithChars = false) {
        ACommand.setOnNewLine([this](TDosCommand*, const QString& ALine, TOutputType AType) {
            events.append((AType == otEntireLine ? QStringLiteral("E:") : QStringLiteral("B:")) +
                          ALine);
            if (onLine)
                onLine(ALine, AType);
        });
        if (AWithChars)
            ACommand.setOnNewChar([this](TDosCommand*, QChar AChar) { chars += AChar; });
        ACommand.setOnTerminated([this](TDosCommand*) {
            events.append(QStringLiteral("T"));
            ++terminated;
            if (onTerminated)
                onTerminated();
        });
    }
};

} // namespace dostest
