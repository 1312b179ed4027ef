#include "jobs/convert/convert_lines.h"

#include "tool/path_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cstdio>
#endif

namespace yz {

namespace {

const QString kNewSuffix = QStringLiteral("_new");

// A folder typed the Windows way keeps its backslashes; everything else joins with '/'.
QString inFolder(const QString &folder, const QString &name) {
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + name;
    const bool windowsStyle = folder.contains(u'\\') && !folder.contains(u'/');
    return folder + (windowsStyle ? u'\\' : u'/') + name;
}

QString normalised(const QString &path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

ConvertLineKind convertLineKind(const QString &source, const QString &format) {
    const QString f = format.toLower();
    const QString ext = fileExtension(source).toLower();
    if (f == QLatin1String("ts") || ext == QLatin1String(".ts"))
        return ConvertLineKind::VideoCopy;
    if (f == QLatin1String("mp3") || ext == QLatin1String(".mp3") || ext == QLatin1String(".wmv"))
        return ConvertLineKind::ForcedFormat;
    return ConvertLineKind::StreamCopy;
}

ArgLine videoCopyLine(const QString &source, const QString &output) {
    return ArgLine()
        .opts(QStringLiteral("-i"))
        .path(shortForm(source))
        .opts(QStringLiteral("-vcodec copy -y"))
        .path(shortForm(output));
}

ArgLine forcedFormatLine(const QString &source, const QString &format, const QString &output) {
    return ArgLine()
        .opts(QStringLiteral("-i"))
        .path(shortForm(source))
        .opts(QStringLiteral("-f"))
        .arg(format)
        .path(shortForm(output));
}

ArgLine streamCopyLine(const QString &source, const QString &output, bool aacHeaderFilter) {
    return ArgLine()
        .opts(QStringLiteral("-threads 0 -i"))
        .path(shortForm(source))
        .opts(aacHeaderFilter ? QStringLiteral("-c copy -y -bsf:a aac_adtstoasc")
                              : QStringLiteral("-c copy -y"))
        .path(shortForm(output));
}

bool hasNonAacAudio(const QString &probeOutput) {
    const QString marker = QStringLiteral("Audio: ");
    for (qsizetype at = probeOutput.indexOf(marker); at >= 0; at = probeOutput.indexOf(marker, at + 1)) {
        qsizetype end = at + marker.size();
        while (end < probeOutput.size() && probeOutput.at(end).isLetterOrNumber())
            ++end;
        const QString codec = probeOutput.mid(at + marker.size(), end - at - marker.size());
        if (codec != QLatin1String("aac"))
            return true;
    }
    return false;
}

ArgLine convertLine(const QString &source, const QString &format, const QString &output,
                    bool aacHeaderFilter) {
    switch (convertLineKind(source, format)) {
    case ConvertLineKind::VideoCopy:
        return videoCopyLine(source, output);
    case ConvertLineKind::ForcedFormat:
        return forcedFormatLine(source, format, output);
    case ConvertLineKind::StreamCopy:
        break;
    }
    return streamCopyLine(source, output, aacHeaderFilter);
}

QString convertTarget(const QString &source, const ConvertOptions &options, const PathSet &taken) {
    const QString title = fileTitle(source);
    QString base =
        options.beside ? parentFolder(source) + title + kNewSuffix : inFolder(options.folder, title);
    QString target = base + u'.' + options.format;
    while (samePath(target, source) || taken.contains(target)) {
        base += kNewSuffix;
        target = base + u'.' + options.format;
    }
    return target;
}

QString convertTarget(const QString &source, const ConvertOptions &options, const QStringList &taken) {
    PathSet set;
    for (const QString &path : taken)
        set.insert(path);
    return convertTarget(source, options, set);
}

QString temporaryOutput(const QString &target) {
    static std::atomic<int> counter{0};
    const QString ext = fileExtension(target);
    const QString stem = target.left(target.size() - ext.size());
    const QString pid = QString::number(QCoreApplication::applicationPid());
    while (true) {
        const QString candidate =
            stem + QStringLiteral(".part") + pid + u'-' + QString::number(++counter) + ext;
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

namespace {

QString placeKey(const QString &path) {
#ifdef Q_OS_WIN
    return normalised(path).toLower();
#else
    return normalised(path);
#endif
}

} // namespace

void PathSet::insert(const QString &path) {
    if (path.isEmpty())
        return;
    const QString key = placeKey(path);
    if (m_places.contains(key))
        return;
    m_places.insert(key);
    const QFileInfo info(path);
    if (info.exists())
        m_files.insert(info.canonicalFilePath());
}

bool PathSet::contains(const QString &path) const {
    if (m_places.contains(placeKey(path)))
        return true;
    const QFileInfo info(path);
    return info.exists() && m_files.contains(info.canonicalFilePath());
}

bool samePath(const QString &a, const QString &b) {
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
#ifdef Q_OS_WIN
    return normalised(a).compare(normalised(b), Qt::CaseInsensitive) == 0;
#else
    return normalised(a) == normalised(b);
#endif
}

bool replaceFile(const QString &from, const QString &to) {
#ifdef Q_OS_WIN
    const QString f = QDir::toNativeSeparators(from);
    const QString t = QDir::toNativeSeparators(to);
    return MoveFileExW(reinterpret_cast<LPCWSTR>(f.utf16()), reinterpret_cast<LPCWSTR>(t.utf16()),
                       MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

} // namespace yz
