#pragma once
// Builds small folder trees for the scan and drop tests, and lists a tree the slow, obvious way
// (QDir in the file system's order) so a scan can be compared with it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace tree {

// Creates an empty file at root/relative, with its missing folders.
inline bool touch(const QString& root, const QString& relative) {
    const QString path = root + QLatin1Char('/') + relative;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

inline bool link(const QString& target, const QString& linkPath) {
    return QFile::link(target, linkPath);
}

// Every entry in the file system's order, folders entered where they are met, keeping names
// accepted by wanted. Not link-safe: only for trees without links.
template <typename Pred>
void listInOrder(const QString& folderWithSlash, Pred wanted, QStringList& out) {
    const QDir dir(folderWithSlash);
    const QStringList names = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : names) {
        const QString path = folderWithSlash + name;
        if (QFileInfo(path).isDir())
            listInOrder(path + QLatin1Char('/'), wanted, out);
        else if (wanted(name))
            out.append(path);
    }
}

} // namespace tree
