#include "tool/run_directory.h"

#include "tool/path_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace yz {

namespace {

QMutex &lock() {
    static QMutex m;
    return m;
}

QString &overridden() {
    static QString folder;
    return folder;
}

QString stripTrailingSeparator(QString folder) {
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    return folder;
}

QString defaultRunDirectory() {
    const QString env = qEnvironmentVariable("YANZHOU_RUN_DIR");
    if (!env.isEmpty())
        return stripTrailingSeparator(QDir(env).absolutePath());
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return exeDir;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.yanzhou");
    return stripTrailingSeparator(data);
}

} // namespace

QString runDirectory() {
    QMutexLocker locker(&lock());
    if (!overridden().isEmpty())
        return overridden();
    // Before the application object exists the executable's folder is unknown; the
    // fallback answer must not stick once it is known.
    if (!QCoreApplication::instance() && qEnvironmentVariableIsEmpty("YANZHOU_RUN_DIR"))
        return defaultRunDirectory();
    overridden() = defaultRunDirectory();
    return overridden();
}

void setRunDirectory(const QString &folder) {
    QMutexLocker locker(&lock());
    overridden() = stripTrailingSeparator(QDir(folder).absolutePath());
}

QString toolPath() {
#ifdef Q_OS_WIN
    return runDirectory() + QStringLiteral("/bin/ffmpeg.exe");
#else
    return runDirectory() + QStringLiteral("/bin/ffmpeg");
#endif
}

QString settingsPath() {
    return runDirectory() + QStringLiteral("/data/qvconfig.ini");
}

QString defaultOutputFolder() {
    return runDirectory() + QStringLiteral("/新媒体");
}

bool linkToolFromSystemPath() {
    const QString target = toolPath();
    if (QFileInfo::exists(target))
        return true;
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (found.isEmpty())
        return false;
    // A link left dangling by a removed ffmpeg would make exists() false but block the new link.
    QFile::remove(target);
    ensureFolder(parentFolder(target));
    const QString resolved = QFileInfo(found).canonicalFilePath();
    if (!QFile::link(resolved.isEmpty() ? found : resolved, target))
        QFile::copy(found, target);
    return QFileInfo::exists(target);
}

} // namespace yz
