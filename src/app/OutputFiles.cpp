#include "app/OutputFiles.h"

#include "app/RecognizerCommand.h"
#include "services/TextLines.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::optional<QStringConverter::Encoding> pinnedNarrow;
} // namespace

QStringConverter::Encoding NarrowEncoding() {
    if (pinnedNarrow)
        return *pinnedNarrow;
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr && *codeset != '\0') {
        if (const auto known = QStringConverter::encodingForName(codeset))
            return *known;
    }
    return QStringConverter::System;
}

void setNarrowEncodingForTests(QStringConverter::Encoding encoding) {
    if (encoding == QStringConverter::System)
        pinnedNarrow.reset();
    else
        pinnedNarrow = encoding;
}

qint64 FileSizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

namespace {

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ELoadLines(file.errorString().toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ELoadLines(file.errorString().toStdString());
    return bytes;
}

// Decodes bytes; a byte-order mark wins over the given encoding. Nothing when they do not decode.
std::optional<QString> decode(const QByteArray& bytes, QStringConverter::Encoding encoding) {
    QStringConverter::Encoding effective = encoding;
    if (const auto fromBom = QStringConverter::encodingForData(bytes))
        effective = *fromBom;
    // Stateless: the bytes are the whole file, so a sequence cut off at its end is an error,
    // not the start of more text to come.
    QStringDecoder decoder(effective, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

void LoadLines(const QString& path, QStringConverter::Encoding encoding, QStringList& lines) {
    const std::optional<QString> text = decode(readWhole(path), encoding);
    if (!text)
        throw ELoadLines("the file is not valid text in the expected encoding");
    lines = SplitTextLines(*text);
}

QStringList LoadOutputLines(const QString& path) {
    const QByteArray bytes = readWhole(path);
    if (const std::optional<QString> text = decode(bytes, QStringConverter::Utf8))
        return SplitTextLines(*text);
    // The narrow encoding decodes what UTF-8 did not; where it is UTF-8 as well, the bytes that
    // do not decode are replaced rather than losing the whole output.
    // A UTF-8 mark in front of bytes that are not UTF-8 is no text of the file.
    const QByteArrayView body =
        bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    QStringDecoder narrow(NarrowEncoding(), QStringConverter::Flag::Stateless);
    return SplitTextLines(narrow.decode(body));
}

void CleanOutputLines(QStringList& lines) {
    static const QString tag = QStringLiteral("[by:whisper.cpp]");
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        QString& line = lines[i];
        qsizetype first = 0;
        qsizetype last = line.size();
        while (first < last && line.at(first).unicode() <= 32)
            ++first;
        while (last > first && line.at(last - 1).unicode() <= 32)
            --last;
        line = line.mid(first, last - first);
        if (line == tag)
            lines.removeAt(i);
    }
}

QByteArray EncodeOutputLines(const QStringList& lines, TOutputEncoding encoding) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    if (encoding == TOutputEncoding::Ansi) {
        QStringEncoder encoder(NarrowEncoding(), QStringConverter::Flag::Default);
        return encoder.encode(text);
    }
    QByteArray bytes;
    if (encoding == TOutputEncoding::Utf8Bom)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    return bytes;
}

namespace {

// Moves from into to unless to exists; EEXIST in errno when it does.
bool moveWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a hard link fails the same way on an existing name.
    if (link(from.constData(), to.constData()) != 0)
        return false;
    unlink(from.constData());
    return true;
}

// The process's file-creation mask, read without changing it: umask() would change it for every
// thread while it is being read.
mode_t creationMask() {
    static const mode_t mask = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("Umask:")) {
                    bool ok = false;
                    const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                    if (ok)
                        return static_cast<mode_t>(value);
                }
        return static_cast<mode_t>(022);
    }();
    return mask;
}

// The temporary name must stay a legal name where the final one is, so only the beginning of the
// final name goes into it.
constexpr qsizetype TempStemLength = 32;

} // namespace

QString WriteNewFile(const QString& finalPath, const QString& basePath, const QByteArray& bytes,
                     QString* error) {
    const QString folder = FolderOf(finalPath);
    QTemporaryFile temp(
        (folder.isEmpty() ? QStringLiteral(".") : folder) + QLatin1Char('/') + QLatin1Char('.') +
        FileNameWithoutExtension(finalPath).left(TempStemLength) + QStringLiteral(".XXXXXX.part"));
    if (!temp.open()) {
        if (error)
            *error = temp.errorString();
        return {};
    }
    if (temp.write(bytes) != bytes.size() || !temp.flush()) {
        if (error)
            *error = temp.errorString();
        return {};
    }
    // A temporary file is the owner's alone; the output is an ordinary file, readable by whoever
    // a file made here would be readable by (a media server, another account).
    ::fchmod(temp.handle(), 0666 & ~creationMask());
    temp.close();
    const QByteArray from = QFile::encodeName(temp.fileName());
    // Something may have taken the name since the job started: the next free number is taken,
    // and the bound only guards against a competitor creating names as fast as we try them.
    for (qint64 n = 0; n < 100000; ++n) {
        const QString target = n == 0 ? finalPath : NumberedFileName(basePath, n);
        if (moveWithoutReplacing(from, QFile::encodeName(target))) {
            temp.setAutoRemove(false);
            return target;
        }
        if (errno != EEXIST) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
    }
    if (error)
        *error = QStringLiteral("no free file name");
    return {};
}
