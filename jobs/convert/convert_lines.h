#pragma once

#include <QSet>

#include "jobs/convert/convert_options.h"
#include "tool/tool_runner.h"

#include <QString>
#include <QStringList>

// The conversion's argument lines (one function per form of line) and the naming of its
// outputs. Every line's text() is the classic command line the tool has always been given;
// the tokens keep a path with blanks or quotes one argument.
namespace yz {

/// Which of the three forms of line converts a source into a format.
enum class ConvertLineKind {
    VideoCopy,    ///< TS on either side: " -i "<source>" -vcodec copy -y "<output>""
    ForcedFormat, ///< MP3 target, or an MP3 or WMV source: " -i "<source>" -f <format> "<output>""
    StreamCopy,   ///< everything else: " -threads 0 -i "<source>" -c copy -y -bsf:a aac_adtstoasc "<output>""
};

ConvertLineKind convertLineKind(const QString &source, const QString &format);

ArgLine videoCopyLine(const QString &source, const QString &output);
ArgLine forcedFormatLine(const QString &source, const QString &format, const QString &output);
/// aacHeaderFilter: whether the line carries "-bsf:a aac_adtstoasc", which ffmpeg refuses
/// for any audio that is not AAC.
ArgLine streamCopyLine(const QString &source, const QString &output, bool aacHeaderFilter = true);

/// The line that converts source into format, written to output (a path ending in "." + format).
ArgLine convertLine(const QString &source, const QString &format, const QString &output,
                    bool aacHeaderFilter = true);

/// Whether a source's stream list (the output of "ffmpeg -i source") shows audio in a
/// codec other than AAC.
bool hasNonAacAudio(const QString &probeOutput);

/// Paths a conversion must not write to. A path is in the set when its text names the same
/// place as one added, or when it is an existing file that one added reaches through a link.
/// Adding a path looks at the disk once; a look-up once more, whatever the set's size.
class PathSet {
public:
    void insert(const QString &path);
    bool contains(const QString &path) const;

private:
    QSet<QString> m_places; // normalised texts
    QSet<QString> m_files;  // canonical paths of the ones that exist
};

/// The output path of a source: next to it as title + "_new", or in the chosen folder as
/// title, with "." + format appended. While that path names the source or any path in
/// `taken` (the rows of the list), "_new" is appended to the name again, so a conversion
/// can never delete or overwrite a video of the list.
QString convertTarget(const QString &source, const ConvertOptions &options, const PathSet &taken);
QString convertTarget(const QString &source, const ConvertOptions &options, const QStringList &taken = {});

/// A name in the target's folder, not yet in use, that keeps the target's extension (the tool
/// picks the container from it). The tool writes there; the file replaces the target only
/// once it has been verified.
QString temporaryOutput(const QString &target);

/// True when both paths name the same file (links resolved when the files exist).
bool samePath(const QString &a, const QString &b);

/// Puts `from` in the place of `to` in one step, replacing a file already there.
bool replaceFile(const QString &from, const QString &to);

} // namespace yz
