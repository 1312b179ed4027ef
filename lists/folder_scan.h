#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Finding the video files in a folder tree. Entries of a folder are taken in name order
// (case folded, ties broken case-sensitively) so a scan gives the same order on every
// file system. Folders whose names begin with a dot are neither listed nor entered.
// Links to folders are followed, but every physical folder is visited once, so a tree
// whose links point back into itself still ends. A folder that cannot be read (no
// access, vanished meanwhile) contributes nothing. Every function returns early, with
// what it has so far, once *stop becomes true.
namespace yz {

/// True when the name's extension is one of .mp4 .flv .mov .mkv .wmv .ts .avi, compared
/// case-sensitively (".MP4" does not count).
bool isVideoFile(const QString &name);

/// True when the folder holds at least one subfolder.
bool hasSubfolder(const QString &folder);

/// Full paths of all subfolders at any depth: a folder's direct subfolders together,
/// then, depth first, those below the first of them, then those below the second, ...
QStringList collectSubfolders(const QString &folder, const std::atomic_bool *stop = nullptr);

/// Full paths of the video files directly in the folder, in name order.
QStringList videoFilesIn(const QString &folder);

/// Calls found(path) for every video file of the tree, in scan order: the files of each
/// folder of collectSubfolders in turn, then the chosen folder's own files last.
void scanVideoFiles(const QString &folder, const std::function<void(const QString &)> &found,
                    const std::atomic_bool *stop = nullptr);

/// All video files of the tree in scan order (see scanVideoFiles).
QStringList findVideoFiles(const QString &folder, const std::atomic_bool *stop = nullptr);

} // namespace yz
