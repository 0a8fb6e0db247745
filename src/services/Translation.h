#pragma once
// Interface translation: English interface texts looked up in an optional language file chosen at
// start from the user's interface language, and the user's short locale name.
//
// The state is set by LoadLanguageFile on the interface thread during start-up and only read
// afterwards; every function here may be called from any thread.

#include <QLocale>
#include <QString>
#include <QStringList>

#include "platform/Exception.h"

// A language file that exists but cannot be read.
class ELanguageFileError : public Exception {
public:
    using Exception::Exception;
};

// The text of the loaded language for an English text, or the text itself when no language is
// loaded, the language has no entry for it or the entry is empty.
QString translate(const QString& text);

// Loads the language from the program folder's "Languages" folder: the named file (name and
// extension, no folder) or, for an empty name, the file LanguageCodes.csv maps the user's
// interface language to. A missing folder, mapping or file leaves the interface in English.
// Raises ELanguageFileError when the chosen file exists but cannot be read; the language then
// stays English although CurrentLanguagePath() is set.
void LoadLanguageFile(const QString& name);
// The same with the Languages folder given (no trailing separator).
void LoadLanguageFileFrom(const QString& languagesFolder, const QString& name);

// The state the language window reads.
// The Languages folder, without trailing separator; set by the load even when it does not exist.
QString LanguagesFolder();
// The "*lang.txt" files of the Languages folder (names only), in the file system's order.
QStringList LanguageList();
// The loaded file's name before ".lang.txt" (German); empty when none was loaded.
QString CurrentLanguageName();
// The loaded file's full path; empty when none was loaded.
QString CurrentLanguagePath();

// The user's locale as language-COUNTRY (de-DE), or "xx" for the C/POSIX locale or when either
// code is unknown.
QString LocaleName2();
QString LocaleName2For(const QLocale& locale);
