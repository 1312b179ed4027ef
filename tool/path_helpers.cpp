#include "tool/path_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace yz {

namespace {

bool isSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

int lastSeparator(const QString &path) {
    for (int i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

// Start of the file-name part: after the last separator or colon that is itself
// followed by something other than a separator.
int nameStart(const QString &path) {
    int start = 0;
    for (int i = 0; i + 1 < path.size(); ++i) {
        const QChar c = path.at(i);
        if ((isSeparator(c) || c == u':') && !isSeparator(path.at(i + 1)))
            start = i + 1;
    }
    return start;
}

} // namespace

QString fileExtension(const QString &path) {
    const int dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    for (int i = dot + 1; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (isSeparator(c) || c == u' ')
            return {};
    }
    return path.mid(dot);
}

QString fileTitle(const QString &path, bool withExtension) {
    const QString name = path.mid(nameStart(path));
    if (name.isEmpty() || isSeparator(name.back()))
        return {};
    if (withExtension)
        return name;
    return name.left(name.size() - fileExtension(name).size());
}

QString shortForm(const QString &path) {
    return path;
}

QString parentFolder(const QString &path) {
    const int sep = lastSeparator(path);
    return sep < 0 ? QString() : path.left(sep + 1);
}

QString joinPath(const QString &folder, const QString &name) {
    if (folder.isEmpty())
        return name;
    if (isSeparator(folder.back()))
        return folder + name;
    return folder + u'/' + name;
}

bool removeFile(const QString &path) {
    if (path.isEmpty())
        return false;
    QFile::remove(path);
    return !QFileInfo::exists(path);
}

bool ensureFolder(const QString &folder) {
    if (folder.isEmpty())
        return false;
    return QDir().mkpath(folder);
}

QString textBetween(const QString &text, const QString &start, const QString &end, int position,
                    bool ignoreCase) {
    const QString quote = QStringLiteral("\"");
    const QString s = QString(start).replace(QStringLiteral("#引号"), quote);
    const QString e = QString(end).replace(QStringLiteral("#引号"), quote);
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const int from = text.indexOf(s, qMax(0, position - 1), cs);
    if (from < 0 || s.isEmpty())
        return {};
    const int begin = from + s.size();
    const int to = text.indexOf(e, begin, cs);
    if (to < 0 || e.isEmpty())
        return {};
    return text.mid(begin, to - begin);
}

QString textAfterLast(const QString &text, const QString &marker, int position, bool ignoreCase) {
    if (marker.isEmpty())
        return {};
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    int at;
    if (position >= 0)
        at = text.lastIndexOf(marker, qMax(0, text.size() - position), cs);
    else
        at = text.indexOf(marker, -position - 1, cs);
    if (at < 0)
        return {};
    return text.mid(at + marker.size());
}

bool copyFileNoReplace(const QString &source, const QString &target) {
    if (QFileInfo::exists(target))
        return false;
    return QFile::copy(source, target);
}

long long leadingNumber(const QString &text) {
    int i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    long long value = 0;
    bool any = false;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > 1000000000000LL)
            break;
        any = true;
        ++i;
    }
    return any ? value : 0;
}

} // namespace yz
