#include "lists/folder_scan.h"

#include "tool/path_helpers.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace yz {

namespace {

bool stopped(const std::atomic_bool *stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// Case-folded name order with a case-sensitive tie break, so "a" and "A" still have a
// fixed order among themselves.
void sortNames(QStringList &names) {
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

QStringList entries(const QString &folder, QDir::Filters kind) {
    QStringList names = QDir(folder).entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    sortNames(names);
    return names;
}

// Identity of a folder for loop detection; empty when it no longer exists.
QString folderIdentity(const QString &path) {
    return QFileInfo(path).canonicalFilePath();
}

void collectInto(const QString &folder, QStringList &result, QSet<QString> &visited,
                 const std::atomic_bool *stop) {
    QStringList level;
    for (const QString &name : entries(folder, QDir::Dirs)) {
        if (name.startsWith(u'.'))
            continue;
        const QString path = joinPath(folder, name);
        const QString identity = folderIdentity(path);
        // Already seen through another link (or vanished): listing it again would
        // add its files twice, entering it again could loop forever.
        if (identity.isEmpty() || visited.contains(identity))
            continue;
        visited.insert(identity);
        result.append(path);
        level.append(path);
    }
    for (const QString &path : std::as_const(level)) {
        if (stopped(stop))
            return;
        if (hasSubfolder(path))
            collectInto(path, result, visited, stop);
    }
}

} // namespace

bool isVideoFile(const QString &name) {
    static const QStringList extensions = QStringLiteral(".mp4,.flv,.mov,.mkv,.wmv,.ts,.avi").split(u',');
    const QString ext = fileExtension(name);
    return !ext.isEmpty() && extensions.contains(ext, Qt::CaseSensitive);
}

bool hasSubfolder(const QString &folder) {
    return !QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty();
}

QStringList collectSubfolders(const QString &folder, const std::atomic_bool *stop) {
    QStringList result;
    QSet<QString> visited;
    const QString identity = folderIdentity(folder);
    if (identity.isEmpty())
        return result;
    visited.insert(identity);
    collectInto(folder, result, visited, stop);
    return result;
}

QStringList videoFilesIn(const QString &folder) {
    QStringList result;
    for (const QString &name : entries(folder, QDir::Files)) {
        if (isVideoFile(name))
            result.append(joinPath(folder, name));
    }
    return result;
}

void scanVideoFiles(const QString &folder, const std::function<void(const QString &)> &found,
                    const std::atomic_bool *stop) {
    QStringList folders = collectSubfolders(folder, stop);
    folders.append(folder);
    for (const QString &each : std::as_const(folders)) {
        if (stopped(stop))
            return;
        for (const QString &path : videoFilesIn(each)) {
            if (stopped(stop))
                return;
            found(path);
        }
    }
}

QStringList findVideoFiles(const QString &folder, const std::atomic_bool *stop) {
    QStringList result;
    scanVideoFiles(
        folder, [&result](const QString &path) { result.append(path); }, stop);
    return result;
}

} // namespace yz
