#pragma once
// The recognizer's command line and the file names a job works with.

#include <QString>

// One argument in double quotes such that the process runner's splitting (the Windows
// command-line rules: quotes group, backslashes escape only before a quote) hands it to the child
// unchanged, whatever it holds: quotes, blanks, trailing backslashes, a leading "-".
QString QuoteArgument(const QString& argument);

// The file name of a path without its last extension: "a.b.mp3" -> "a.b", ".mp3" -> "".
// Only "/" separates folders here; a backslash or colon is an ordinary character of a name.
QString FileNameWithoutExtension(const QString& path);
// The folder part of a path without a trailing separator ("" for a bare name).
QString FolderOf(const QString& path);

// path when no file has that name, else the first free "name (n).ext" with n from 2 on. Only
// files count; a folder of the candidate's name does not make it taken.
QString UniqueFileName(const QString& path);
// "name (n).ext" in the folder of path; path itself for n below 2.
QString NumberedFileName(const QString& path, qint64 n);

// The stand-in for the short path form: the path itself when something exists there, else "".
QString ShortPath(const QString& path);

// The output base of a job: folder + "/" + the source's file name without its extension.
QString OutputBase(const QString& folder, const QString& source);

struct TOutputKind {
    QString Extension; // ".lrc"
    QString Flag;      // " -olrc"
};
// The output type for a radio button index 0..3 (LRC, SRT, VTT, TXT).
TOutputKind OutputTypeAt(int index);

struct TRecognizerArguments {
    QString Tool;           // full path of the recognizer, written unquoted
    QString Model;          // model path (may be empty)
    QString Input;          // input path (may be empty)
    QString Language;       // "auto" or a language code
    QString LineLengthText; // the spin box's text; used when it reads as an integer above 0
    QString FormatFlag;     // " -olrc" ...
    QString OutputBase;     // path without extension for -of
};

// The line-length value: the text read as an integer, 0 when it is not one.
int LineLengthOf(const QString& text);

QString BuildRecognizerCommandLine(const TRecognizerArguments& args);
