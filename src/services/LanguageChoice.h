#pragma once
// What the language window decides without a window: the flag picture of a listed language, who
// translated it, and the script that starts the program again after a change of language.

#include "platform/Exception.h"

#include <QString>
#include <QStringList>

// The restart script could not be written.
class ERestartScriptError : public Exception {
public:
    using Exception::Exception;
};

// The name of the flag picture for a language as listed ("German" gives "de"); "xx" for a
// language without a flag of its own. Exact, case-sensitive names.
QString FlagImageName(const QString& language);

// The translators' entry of a language: "Kestrane" for English; otherwise what follows
// "{INFO:Translated By}" on the first line of the language file that begins with it, the key
// itself when no line does, and an empty text when the file cannot be read.
QString TranslatorsText(const QString& languagesFolder, const QString& language);

// The translators one per line: the text split at every comma, each piece trimmed of blanks and
// control characters. An empty text gives no line at all.
QStringList TranslatorLines(const QString& text);

// The path quoted for a POSIX shell: inside single quotes, where nothing is special, with every
// single quote of the path written as '\'' so the quoted word can never end early.
QString ShellQuote(const QString& path);

// The restart script's lines: a comment saying where it came from, a one-second pause so the
// running copy can leave, and the quoted executable.
QStringList RestartScriptLines(const QString& executablePath);

// Writes the restart script "start.sh" into the folder (with its trailing separator), replacing
// an earlier one, in the system's narrow encoding with LF line ends. Returns the script's path;
// raises ERestartScriptError when it cannot be written.
QString WriteRestartScript(const QString& dataFolder, const QString& executablePath);
