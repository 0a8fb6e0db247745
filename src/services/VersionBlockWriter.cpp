#include "services/VersionBlockWriter.h"

#include <stdexcept>

namespace verblock {

namespace {

void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void set16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void align32(Bytes& out) {
    while (out.size() % 4 != 0)
        out.push_back(0);
}

std::uint32_t highLow(std::uint16_t high, std::uint16_t low) {
    return (std::uint32_t(high) << 16) | low;
}

// Offsets inside a node are relative to the start of the whole block, which is 32-bit aligned, so
// aligning the output buffer aligns the node.
void write(Bytes& out, const Node& node) {
    const std::size_t start = out.size();
    put16(out, 0); // total length, patched below
    put16(out, node.valueLength);
    put16(out, node.type);
    for (const char16_t c : node.key)
        put16(out, static_cast<std::uint16_t>(c));
    put16(out, 0);
    align32(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children) {
        align32(out);
        write(out, child);
    }
    const std::size_t length = out.size() - start;
    if (length > 0xFFFF)
        throw std::length_error("version block node longer than 65535 bytes");
    set16(out, start, static_cast<std::uint16_t>(length));
}

} // namespace

std::u16string fromUtf8(const std::string& text) {
    std::u16string result;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            extra = 3;
        } else {
            throw std::invalid_argument("text is not UTF-8");
        }
        if (i + extra >= text.size() && extra > 0)
            throw std::invalid_argument("text is not UTF-8");
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                throw std::invalid_argument("text is not UTF-8");
            cp = (cp << 6) | (c & 0x3F);
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(cp));
        }
    }
    return result;
}

Bytes fixedFileInfoBytes(const FixedFileInfo& info) {
    Bytes out;
    put32(out, info.signature);
    put32(out, info.structVersion);
    put32(out, highLow(info.fileVersion[0], info.fileVersion[1]));
    put32(out, highLow(info.fileVersion[2], info.fileVersion[3]));
    put32(out, highLow(info.productVersion[0], info.productVersion[1]));
    put32(out, highLow(info.productVersion[2], info.productVersion[3]));
    put32(out, info.fileFlagsMask);
    put32(out, info.fileFlags);
    put32(out, info.fileOS);
    put32(out, info.fileType);
    put32(out, info.fileSubtype);
    put32(out, info.fileDateMS);
    put32(out, info.fileDateLS);
    return out;
}

Node textNode(std::u16string key, const std::u16string& text) {
    Node node;
    node.key = std::move(key);
    node.type = 1;
    node.valueLength = static_cast<std::uint16_t>(text.size() + 1);
    for (const char16_t c : text)
        put16(node.value, static_cast<std::uint16_t>(c));
    put16(node.value, 0);
    return node;
}

Node binaryNode(std::u16string key, Bytes value) {
    Node node;
    node.key = std::move(key);
    node.type = 0;
    node.valueLength = static_cast<std::uint16_t>(value.size());
    node.value = std::move(value);
    return node;
}

std::u16string tableKey(std::uint16_t language, std::uint16_t codePage) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string key;
    for (const std::uint16_t word : {language, codePage})
        for (int shift = 12; shift >= 0; shift -= 4)
            key.push_back(digits[(word >> shift) & 0xF]);
    return key;
}

Node resourceTree(const VersionResource& resource) {
    Node root = binaryNode(u"VS_VERSION_INFO", fixedFileInfoBytes(resource.fixed));
    if (!resource.tables.empty()) {
        Node stringInfo;
        stringInfo.key = u"StringFileInfo";
        for (const StringTable& table : resource.tables) {
            Node tableNode;
            tableNode.key = table.key;
            for (const auto& [name, text] : table.values)
                tableNode.children.push_back(textNode(name, text));
            stringInfo.children.push_back(std::move(tableNode));
        }
        root.children.push_back(std::move(stringInfo));
    }
    if (!resource.translations.empty()) {
        Bytes pairs;
        for (const auto& [language, codePage] : resource.translations) {
            put16(pairs, language);
            put16(pairs, codePage);
        }
        Node varInfo;
        varInfo.key = u"VarFileInfo";
        varInfo.children.push_back(binaryNode(u"Translation", std::move(pairs)));
        root.children.push_back(std::move(varInfo));
    }
    return root;
}

Bytes serialize(const Node& node) {
    Bytes out;
    write(out, node);
    return out;
}

} // namespace verblock
