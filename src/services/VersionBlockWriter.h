#pragma once
// Writes a version-information block in the Windows VS_VERSIONINFO layout: a tree of nodes, each
// a 16-bit total length, a 16-bit value length, a 16-bit type (1 text, 0 binary), a UTF-16LE key
// ended by NUL, padding to 32 bits, the value, padding to 32 bits, then the children.
//
// Plain C++ on purpose: the build runs it as a host tool before Qt is involved, and the tests use
// it to craft blocks with one node changed or missing.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace verblock {

using Bytes = std::vector<std::uint8_t>;

struct Node {
    std::u16string key;
    std::uint16_t type = 1;
    // For text nodes the value length counts UTF-16 units including the NUL; for binary nodes,
    // bytes. Kept apart from value so a test can write an inconsistent header on purpose.
    std::uint16_t valueLength = 0;
    Bytes value;
    std::vector<Node> children;
};

// The 52-byte fixed file information with the signature 0xFEEF04BD.
struct FixedFileInfo {
    std::uint32_t signature = 0xFEEF04BD;
    std::uint32_t structVersion = 0x00010000;
    std::uint16_t fileVersion[4] = {0, 0, 0, 0};
    std::uint16_t productVersion[4] = {0, 0, 0, 0};
    std::uint32_t fileFlagsMask = 0x3F;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0x00040004; // VOS_NT_WINDOWS32
    std::uint32_t fileType = 1;        // VFT_APP
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};

struct StringTable {
    std::u16string key; // such as u"040904B0"
    std::vector<std::pair<std::u16string, std::u16string>> values;
};

struct VersionResource {
    FixedFileInfo fixed;
    std::vector<StringTable> tables;
    // (language, code page) pairs of VarFileInfo\Translation; none leaves VarFileInfo out.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
};

std::u16string fromUtf8(const std::string& text);
Bytes fixedFileInfoBytes(const FixedFileInfo& info);
Node textNode(std::u16string key, const std::u16string& text);
Node binaryNode(std::u16string key, Bytes value);
// "%.4X%.4X" of language and code page.
std::u16string tableKey(std::uint16_t language, std::uint16_t codePage);

Node resourceTree(const VersionResource& resource);
Bytes serialize(const Node& node);

} // namespace verblock
