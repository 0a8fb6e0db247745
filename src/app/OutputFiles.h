#pragma once
// The recognizer's output file: reading it, cleaning it, and writing the final file in the chosen
// encoding without ever replacing a file that exists.

#include <QByteArray>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <stdexcept>

// The locale's narrow encoding (the stand-in for the ANSI code page). Tests may pin another one;
// pinning System restores the locale's.
QStringConverter::Encoding NarrowEncoding();
void setNarrowEncodingForTests(QStringConverter::Encoding encoding);

// Size of the file from its directory entry, -1 when there is none.
qint64 FileSizeOf(const QString& path);

class ELoadLines : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills lines with the lines of the file (CR, LF or CR LF end a line; a line end before the end
// of the file gives no extra empty line). A byte-order mark takes precedence over encoding.
// Throws ELoadLines when the file cannot be read or does not decode in that encoding.
void LoadLines(const QString& path, QStringConverter::Encoding encoding, QStringList& lines);

// UTF-8 first, the narrow encoding when that fails; throws only when the file cannot be read.
QStringList LoadOutputLines(const QString& path);

// Trims every line of characters up to code 32 and drops lines that are then "[by:whisper.cpp]".
void CleanOutputLines(QStringList& lines);

enum class TOutputEncoding { Ansi, Utf8, Utf8Bom };

// The lines in that encoding, each followed by CR LF.
QByteArray EncodeOutputLines(const QStringList& lines, TOutputEncoding encoding);

// Writes bytes under finalPath, or, when something has taken that name meanwhile, under the first
// free name of basePath's numbering ("name (n).ext", never nested). The bytes go to a temporary
// file in the same folder first and are moved into place without replacing anything, so a crash
// never leaves a partial file under a final name. Returns the path written; on failure returns
// empty and sets error.
QString WriteNewFile(const QString& finalPath, const QString& basePath, const QByteArray& bytes,
                     QString* error);
