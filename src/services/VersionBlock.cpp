#include "services/VersionBlock.h"

#include <QStringList>

namespace {

constexpr quint32 FixedInfoSignature = 0xFEEF04BD;
constexpr qsizetype FixedInfoSize = 52;
constexpr qsizetype HeaderSize = 6;

quint16 read16(const QByteArray& b, qsizetype at) {
    return quint16(quint8(b[at])) | quint16(quint16(quint8(b[at + 1])) << 8);
}

quint32 read32(const QByteArray& b, qsizetype at) {
    return quint32(read16(b, at)) | (quint32(read16(b, at + 2)) << 16);
}

qsizetype align4(qsizetype offset) {
    return (offset + 3) & ~qsizetype(3);
}

// One node's parts, as offsets into the block; every offset lies within [start, end].
struct NodeView {
    qsizetype start = 0;
    qsizetype end = 0; // start + total length, clipped to the parent
    quint16 valueLength = 0;
    quint16 type = 0;
    QString key;
    qsizetype valueStart = 0;
    qsizetype valueEnd = 0;
    qsizetype childrenStart = 0;
};

// Reads the node at start, within limit; nullopt when its header does not fit.
std::optional<NodeView> readNode(const QByteArray& b, qsizetype start, qsizetype limit) {
    if (start + HeaderSize > limit)
        return std::nullopt;
    const quint16 length = read16(b, start);
    if (length < HeaderSize)
        return std::nullopt;
    NodeView node;
    node.start = start;
    node.end = qMin(limit, start + length);
    node.valueLength = read16(b, start + 2);
    node.type = read16(b, start + 4);
    qsizetype at = start + HeaderSize;
    for (;; at += 2) {
        if (at + 2 > node.end)
            return std::nullopt; // key without its NUL
        const quint16 unit = read16(b, at);
        if (unit == 0)
            break;
        node.key.append(QChar(unit));
    }
    node.valueStart = qMin(node.end, align4(at + 2));
    const qsizetype valueBytes =
        node.type == 1 ? qsizetype(node.valueLength) * 2 : qsizetype(node.valueLength);
    node.valueEnd = qMin(node.end, node.valueStart + valueBytes);
    node.childrenStart = qMin(node.end, align4(node.valueEnd));
    return node;
}

std::optional<NodeView> findChild(const QByteArray& b, const NodeView& parent,
                                  const QString& name) {
    qsizetype at = parent.childrenStart;
    while (at < parent.end) {
        const std::optional<NodeView> child = readNode(b, at, parent.end);
        if (!child)
            return std::nullopt;
        if (child->key.compare(name, Qt::CaseInsensitive) == 0)
            return child;
        at = align4(child->end);
    }
    return std::nullopt;
}

} // namespace

TVersionBlock::TVersionBlock(QByteArray block) : FBlock(std::move(block)) {}

std::optional<TVersionValue> TVersionBlock::QueryValue(const QString& subBlock) const {
    std::optional<NodeView> node = readNode(FBlock, 0, FBlock.size());
    if (!node)
        return std::nullopt;
    const QStringList parts = subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        node = findChild(FBlock, *node, part);
        if (!node)
            return std::nullopt;
    }
    TVersionValue value;
    value.Data = FBlock.mid(node->valueStart, node->valueEnd - node->valueStart);
    value.Type = node->type;
    value.ValueLength = node->valueLength;
    return value;
}

std::optional<QString> TVersionBlock::QueryString(const QString& subBlock) const {
    const std::optional<TVersionValue> value = QueryValue(subBlock);
    if (!value)
        return std::nullopt;
    QString text;
    for (qsizetype at = 0; at + 2 <= value->Data.size(); at += 2) {
        const quint16 unit = read16(value->Data, at);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

std::optional<TFixedFileVersion> TVersionBlock::FileVersion() const {
    const std::optional<TVersionValue> value = QueryValue(QStringLiteral("\\"));
    if (!value || value->Data.size() < FixedInfoSize ||
        read32(value->Data, 0) != FixedInfoSignature)
        return std::nullopt;
    const quint32 ms = read32(value->Data, 8);
    const quint32 ls = read32(value->Data, 12);
    return TFixedFileVersion{quint16(ms >> 16), quint16(ms & 0xFFFF), quint16(ls >> 16),
                             quint16(ls & 0xFFFF)};
}

QList<TTranslationPair> TVersionBlock::Translations() const {
    QList<TTranslationPair> pairs;
    const std::optional<TVersionValue> value =
        QueryValue(QStringLiteral("\\VarFileInfo\\Translation\\"));
    if (!value)
        return pairs;
    for (qsizetype at = 0; at + 4 <= value->Data.size(); at += 4)
        pairs.append({read16(value->Data, at), read16(value->Data, at + 2)});
    return pairs;
}

QString StringTableKey(quint16 language, quint16 codePage) {
    return QStringLiteral("%1%2")
        .arg(language, 4, 16, QLatin1Char('0'))
        .arg(codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}
