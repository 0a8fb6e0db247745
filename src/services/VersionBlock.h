#pragma once
// Reads a version-information block in the Windows VS_VERSIONINFO layout, on any platform. The
// block is a tree of nodes with UTF-16LE keys; values are found by a backslash-separated path,
// matched without regard to letter case, the way VerQueryValue does.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct TFixedFileVersion {
    quint16 Major = 0;
    quint16 Minor = 0;
    quint16 Release = 0;
    quint16 Build = 0;
};

struct TTranslationPair {
    quint16 Language = 0;
    quint16 CodePage = 0;
};

// One value found by a path: its bytes as stored, its type (1 text, 0 binary) and the value
// length of its header (UTF-16 units for text, bytes for binary).
struct TVersionValue {
    QByteArray Data;
    quint16 Type = 0;
    quint16 ValueLength = 0;
};

class TVersionBlock {
public:
    explicit TVersionBlock(QByteArray block);

    // "\" is the root's value (the fixed file information); "\VarFileInfo\Translation" and
    // "\StringFileInfo\040904B0\ProductName" name deeper nodes. Empty path parts (a leading or
    // trailing backslash) are skipped. Absent: std::nullopt.
    std::optional<TVersionValue> QueryValue(const QString& subBlock) const;
    // A text value up to its terminating NUL.
    std::optional<QString> QueryString(const QString& subBlock) const;

    // The fixed file version, when the root carries a fixed file information with the signature.
    std::optional<TFixedFileVersion> FileVersion() const;
    // The pairs of "\VarFileInfo\Translation", in stored order; empty when absent.
    QList<TTranslationPair> Translations() const;

    const QByteArray& Bytes() const { return FBlock; }

private:
    QByteArray FBlock;
};

// The string-table key of a translation pair: "%.4x%.4x" with upper-case letters (040904E4).
QString StringTableKey(quint16 language, quint16 codePage);
