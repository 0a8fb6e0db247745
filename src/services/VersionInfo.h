#pragma once
// The program's identity, read from the version block its executable carries.

#include <QByteArray>
#include <QString>

#include "platform/Exception.h"
#include "services/VersionBlock.h"

// The twelve text values of a version block, in the block's customary order. Absent is empty.
struct TEXEVersionData {
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;
};

// A failed system call, carrying its error code (an errno value here).
class EOSError : public Exception {
public:
    explicit EOSError(int code);
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

// The name of the ELF section that holds the version block.
inline constexpr char VersionSectionName[] = ".veltrino_ver";

// The version block of the named executable: the contents of its version section. Raises
// EOSError when the file cannot be read (its errno), is no ELF file (ENOEXEC) or has no such
// section (ENODATA).
QByteArray ReadVersionBlock(const QString& fileName);

// The twelve values of a block, from the string table of its first translation pair. Raises
// EOSError(ENODATA) when the block has no translation table.
TEXEVersionData VersionDataFromBlock(const QByteArray& block);

// ReadVersionBlock, then VersionDataFromBlock.
TEXEVersionData GetEXEVersionData(const QString& fileName);

// The fixed file version of the named executable. Raises EOSError as ReadVersionBlock does, and
// EOSError(ENODATA) when the block carries no fixed file information.
TFixedFileVersion GetFixedFileVersion(const QString& fileName);
// "%d.%d" of the major and minor numbers (1.0 for 1.0.0.0). Raises as GetFixedFileVersion.
QString VersionText(const QString& fileName);
