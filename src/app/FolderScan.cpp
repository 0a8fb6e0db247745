#include "app/FolderScan.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// The audio extensions hold ASCII letters and digits only, and no other character lower-cases to
// one of those, so comparing ASCII-lowered bytes answers exactly what the lower-cased text would.
bool hasAudioExtension(const char* name, size_t length) {
    const char* const end = name + length;
    const char* dot = end;
    for (const char* p = end; p != name; --p) {
        if (p[-1] == '/')
            return false;
        if (p[-1] == '.') {
            dot = p - 1;
            break;
        }
    }
    const size_t extLength = static_cast<size_t>(end - dot);
    if (extLength < 4 || extLength > 5)
        return false;
    char ext[6] = {};
    for (size_t i = 0; i < extLength; ++i) {
        const char c = dot[i];
        ext[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::strcmp(ext, ".mp3") == 0 || std::strcmp(ext, ".wav") == 0 ||
           std::strcmp(ext, ".ogg") == 0 || std::strcmp(ext, ".flac") == 0;
}

struct FolderKey {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    size_t operator()(const FolderKey& key) const noexcept {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(key.inode) * 31u +
                                               static_cast<unsigned long long>(key.device));
    }
};

enum class EntryKind { File, Folder, LinkedFolder };

struct Entry {
    std::string name; // files are kept only when their name is an audio file's
    EntryKind kind;
    FolderKey target; // LinkedFolder only
};

class TFolderScanner {
public:
    explicit TFolderScanner(QStringList& found) : FFound(found) {}

    // bytes and text name the same folder, both ending with a separator.
    void scan(const std::string& bytes, const QString& text) {
        const int fd = ::open(bytes.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat self {};
        if (::fstat(fd, &self) != 0 || !FOnPath.insert({self.st_dev, self.st_ino}).second) {
            ::close(fd);
            return;
        }
        // The entries are read before descending, so only one folder is open at any depth.
        const std::vector<Entry> entries = readEntries(fd);
        for (const Entry& entry : entries) {
            switch (entry.kind) {
            case EntryKind::Folder:
                descend(bytes, text, entry.name);
                break;
            case EntryKind::LinkedFolder:
                if (FLinked.insert(entry.target).second)
                    descend(bytes, text, entry.name);
                break;
            case EntryKind::File:
                FFound.append(text + QFile::decodeName(entry.name.c_str()));
                break;
            }
        }
        FOnPath.erase({self.st_dev, self.st_ino});
    }

private:
    void descend(const std::string& bytes, const QString& text, const std::string& name) {
        const QString nameText = QFile::decodeName(name.c_str());
        scan(bytes + name + '/', text + nameText + QLatin1Char('/'));
    }

    // Takes ownership of fd.
    static std::vector<Entry> readEntries(int fd) {
        std::vector<Entry> entries;
        DIR* const dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return entries;
        }
        while (const dirent* const d = ::readdir(dir)) {
            const char* const name = d->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            unsigned char type = d->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            }
            if (type == DT_DIR) {
                entries.push_back({name, EntryKind::Folder, {}});
            } else if (type == DT_LNK) {
                // A link to a folder is a folder; a link to anything else (or to nothing) is
                // judged by its own name, as a file would be.
                struct stat target {};
                if (::fstatat(fd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
                    entries.push_back(
                        {name, EntryKind::LinkedFolder, {target.st_dev, target.st_ino}});
                else if (hasAudioExtension(name, std::strlen(name)))
                    entries.push_back({name, EntryKind::File, {}});
            } else if (hasAudioExtension(name, std::strlen(name))) {
                entries.push_back({name, EntryKind::File, {}});
            }
        }
        ::closedir(dir);
        return entries;
    }

    QStringList& FFound;
    std::unordered_set<FolderKey, FolderKeyHash> FOnPath;
    std::unordered_set<FolderKey, FolderKeyHash> FLinked;
};

} // namespace

bool IsAudioFile(const QString& name) {
    const QString lower = name.toLower();
    const qsizetype dot = lower.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || lower.indexOf(QLatin1Char('/'), dot) >= 0)
        return false;
    const QStringView ext = QStringView(lower).mid(dot);
    return ext == u".mp3" || ext == u".wav" || ext == u".ogg" || ext == u".flac";
}

void ScanFolder(const QString& folder, QStringList& found) {
    if (folder.isEmpty())
        return;
    QString text = folder;
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    const QByteArray bytes = QFile::encodeName(text);
    TFolderScanner(found).scan(std::string(bytes.constData(), static_cast<size_t>(bytes.size())),
                               text);
}
