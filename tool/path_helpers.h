#pragma once

#include <QString>

// Small helpers on paths and on texts cut out of the tool's console output.
// Both '/' and '\' count as folder separators, so paths typed the Windows way
// work as well as native ones.
namespace yz {

/// File name of a path without its extension, or with it when withExtension is set.
/// Empty when the path ends in a separator.
QString fileTitle(const QString &path, bool withExtension = false);

/// Extension of the last path component, dot included; empty when there is none.
/// A dot counts only when no separator and no blank follows it.
QString fileExtension(const QString &path);

/// The path as it should stand in an argument line. Systems without short names
/// (every one but Windows) give the path back unchanged.
QString shortForm(const QString &path);

/// The path up to and including its last separator; empty when it has none.
QString parentFolder(const QString &path);

/// Joins a folder and a name with exactly one separator between them.
QString joinPath(const QString &folder, const QString &name);

/// Deletes a file; reports whether the file is gone afterwards.
bool removeFile(const QString &path);

/// Creates the folder and every missing folder above it.
bool ensureFolder(const QString &folder);

/// The text between the first start marker (searched from position, 1-based) and the
/// next end marker after it; empty when either is missing. "#引号" in a marker stands
/// for a double quote.
QString textBetween(const QString &text, const QString &start, const QString &end, int position = 1,
                    bool ignoreCase = false);

/// The text after the last occurrence of marker; empty when it does not occur.
QString textAfterLast(const QString &text, const QString &marker, int position = 0, bool ignoreCase = false);

/// Copies source to target unless the target exists; reports whether a copy was made.
bool copyFileNoReplace(const QString &source, const QString &target);

/// Leading decimal number of a text (leading blanks skipped, the rest ignored), 0 when none.
long long leadingNumber(const QString &text);

} // namespace yz
