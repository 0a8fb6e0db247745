#include "services/VersionInfo.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// strerror_r comes in a GNU and an XSI flavour; take the text from whichever this libc has.
[[maybe_unused]] const char* errorText(int result, const char* buffer) {
    return result == 0 ? buffer : "";
}
[[maybe_unused]] const char* errorText(const char* result, const char*) {
    return result;
}

QString systemErrorText(int code) {
    std::array<char, 256> buffer{};
    return QString::fromLocal8Bit(
        errorText(strerror_r(code, buffer.data(), buffer.size()), buffer.data()));
}

QString osErrorMessage(int code) {
    if (code == 0)
        return QStringLiteral("A call to an OS function failed");
    return QStringLiteral("System Error.  Code: %1.\n%2").arg(code).arg(systemErrorText(code));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : FFd(fd) {}
    ~FileDescriptor() {
        if (FFd >= 0)
            ::close(FFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return FFd; }

private:
    int FFd;
};

// Reads exactly size bytes at offset; raises EOSError with errno, or ENOEXEC when the file ends
// first (a section header pointing past the end is a damaged file).
QByteArray readAt(int fd, quint64 offset, quint64 size) {
    if (size > quint64(64) * 1024 * 1024)
        throw EOSError(ENOEXEC);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    quint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EOSError(errno);
        }
        if (n == 0)
            throw EOSError(ENOEXEC);
        done += quint64(n);
    }
    return bytes;
}

// Little- or big-endian field reads, as the ELF header says.
struct ElfReader {
    const QByteArray& b;
    bool bigEndian;

    quint64 get(qsizetype at, int width) const {
        if (at < 0 || at + width > b.size())
            throw EOSError(ENOEXEC);
        quint64 v = 0;
        for (int i = 0; i < width; ++i) {
            const quint64 byte = quint8(b[at + i]);
            v |= bigEndian ? byte << (8 * (width - 1 - i)) : byte << (8 * i);
        }
        return v;
    }
};

struct SectionHeader {
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
};

SectionHeader sectionHeader(const ElfReader& r, qsizetype at, bool is64) {
    SectionHeader h;
    h.name = quint32(r.get(at, 4));
    h.type = quint32(r.get(at + 4, 4));
    if (is64) {
        h.offset = r.get(at + 24, 8);
        h.size = r.get(at + 32, 8);
    } else {
        h.offset = r.get(at + 16, 4);
        h.size = r.get(at + 20, 4);
    }
    return h;
}

} // namespace

EOSError::EOSError(int code) : Exception(osErrorMessage(code)), FErrorCode(code) {}

QByteArray ReadVersionBlock(const QString& fileName) {
    const QByteArray native = QFile::encodeName(fileName);
    const FileDescriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw EOSError(errno);

    const QByteArray ident = readAt(fd.get(), 0, EI_NIDENT);
    if (std::memcmp(ident.constData(), ELFMAG, SELFMAG) != 0)
        throw EOSError(ENOEXEC);
    const bool is64 = ident[EI_CLASS] == ELFCLASS64;
    if (!is64 && ident[EI_CLASS] != ELFCLASS32)
        throw EOSError(ENOEXEC);
    const QByteArray header = readAt(fd.get(), 0, is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr));
    const ElfReader hr{header, ident[EI_DATA] == ELFDATA2MSB};

    const quint64 shoff = is64 ? hr.get(0x28, 8) : hr.get(0x20, 4);
    const quint64 shentsize = hr.get(is64 ? 0x3A : 0x2E, 2);
    quint64 shnum = hr.get(is64 ? 0x3C : 0x30, 2);
    quint64 shstrndx = hr.get(is64 ? 0x3E : 0x32, 2);
    const quint64 minEntry = is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (shoff == 0)
        throw EOSError(ENODATA); // no section table at all
    if (shentsize < minEntry)
        throw EOSError(ENOEXEC);

    // Large section counts and string-table indexes live in the first section header.
    if (shnum == 0 || shstrndx == SHN_XINDEX) {
        const QByteArray first = readAt(fd.get(), shoff, shentsize);
        const ElfReader fr{first, hr.bigEndian};
        if (shnum == 0)
            shnum = is64 ? fr.get(32, 8) : fr.get(20, 4);
        if (shstrndx == SHN_XINDEX)
            shstrndx = fr.get(is64 ? 40 : 24, 4);
    }
    if (shnum == 0 || shnum > 65536 * 4 || shstrndx >= shnum)
        throw EOSError(ENOEXEC);

    const QByteArray table = readAt(fd.get(), shoff, shnum * shentsize);
    const ElfReader tr{table, hr.bigEndian};
    const SectionHeader names = sectionHeader(tr, qsizetype(shstrndx * shentsize), is64);
    const QByteArray nameTable = readAt(fd.get(), names.offset, names.size);

    for (quint64 i = 0; i < shnum; ++i) {
        const SectionHeader s = sectionHeader(tr, qsizetype(i * shentsize), is64);
        if (s.name >= quint64(nameTable.size()))
            continue;
        const char* name = nameTable.constData() + s.name;
        const qsizetype room = nameTable.size() - qsizetype(s.name);
        if (qstrnlen(name, size_t(room)) == size_t(room) ||
            std::strcmp(name, VersionSectionName) != 0)
            continue;
        if (s.type == SHT_NOBITS || s.size == 0)
            throw EOSError(ENODATA);
        return readAt(fd.get(), s.offset, s.size);
    }
    throw EOSError(ENODATA);
}

TEXEVersionData VersionDataFromBlock(const QByteArray& block) {
    const TVersionBlock version(block);
    const QList<TTranslationPair> pairs = version.Translations();
    if (pairs.isEmpty())
        throw EOSError(ENODATA);
    const QString table = QStringLiteral("\\StringFileInfo\\") +
                          StringTableKey(pairs.first().Language, pairs.first().CodePage) +
                          QLatin1Char('\\');

    TEXEVersionData data;
    const auto fill = [&](QString& field, const char* name) {
        if (const std::optional<QString> text = version.QueryString(table + QLatin1String(name)))
            field = *text;
    };
    fill(data.CompanyName, "CompanyName");
    fill(data.FileDescription, "FileDescription");
    fill(data.FileVersion, "FileVersion");
    fill(data.InternalName, "InternalName");
    fill(data.LegalCopyright, "LegalCopyright");
    fill(data.LegalTrademarks, "LegalTrademarks");
    fill(data.OriginalFileName, "OriginalFileName");
    fill(data.ProductName, "ProductName");
    fill(data.ProductVersion, "ProductVersion");
    fill(data.Comments, "Comments");
    fill(data.PrivateBuild, "PrivateBuild");
    fill(data.SpecialBuild, "SpecialBuild");
    return data;
}

TEXEVersionData GetEXEVersionData(const QString& fileName) {
    return VersionDataFromBlock(ReadVersionBlock(fileName));
}

TFixedFileVersion GetFixedFileVersion(const QString& fileName) {
    const std::optional<TFixedFileVersion> version =
        TVersionBlock(ReadVersionBlock(fileName)).FileVersion();
    if (!version)
        throw EOSError(ENODATA);
    return *version;
}

QString VersionText(const QString& fileName) {
    const TFixedFileVersion version = GetFixedFileVersion(fileName);
    return QStringLiteral("%1.%2").arg(version.Major).arg(version.Minor);
}
