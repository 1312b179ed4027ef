#include "support/test_support.h"

#include "tool/path_helpers.h"
#include "tool/run_directory.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace yz::test {

bool makeClip(const QString &path, double seconds, QSize size, const QString &pixelFormat, bool withAudio,
              const QStringList &extraArgs) {
    QStringList args{QStringLiteral("-hide_banner"),
                     QStringLiteral("-loglevel"),
                     QStringLiteral("error"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=%1x%2:rate=25:duration=%3")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(seconds)};
    if (withAudio)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:duration=%1").arg(seconds);
    args << QStringLiteral("-pix_fmt") << pixelFormat << extraArgs << path;
    int code = -1;
    runFfmpeg(args, &code);
    return code == 0 && QFileInfo(path).size() > 0;
}

QString runFfmpeg(const QStringList &args, int *exitCode) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(ffmpegPath(), args);
    p.waitForFinished(-1);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

double mediaDuration(const QString &path) {
    const QString out = runFfmpeg({QStringLiteral("-hide_banner"), QStringLiteral("-i"), path});
    static const QRegularExpression re(QStringLiteral("Duration: (\\d+):(\\d\\d):(\\d\\d(?:\\.\\d+)?)"));
    const auto m = re.match(out);
    if (!m.hasMatch())
        return -1;
    return m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 + m.captured(3).toDouble();
}

QStringList streamKinds(const QString &path) {
    const QString out = runFfmpeg({QStringLiteral("-hide_banner"), QStringLiteral("-i"), path});
    QStringList kinds;
    static const QRegularExpression re(QStringLiteral("Stream #\\d+:\\d+[^:]*: (\\w+):"));
    auto it = re.globalMatch(out);
    while (it.hasNext())
        kinds << it.next().captured(1);
    return kinds;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool installScriptTool(const QString &conversion) {
    const QString script = QStringLiteral("#!/bin/sh\n"
                                          "if [ \"$#\" -le 2 ]; then exec '%1' \"$@\"; fi\n"
                                          "for last; do :; done\n"
                                          "%2\n")
                               .arg(ffmpegPath(), conversion);
    QFile::remove(yz::toolPath());
    return writeFile(yz::toolPath(), script.toUtf8()) &&
           QFile::setPermissions(yz::toolPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

RunDir::RunDir(const QString &tool) {
    setRunDirectory(m_dir.path());
    ensureFolder(m_dir.path() + QStringLiteral("/bin"));
    if (!tool.isEmpty())
        QFile::link(tool, toolPath());
}

QString RunDir::toolPath() const {
    return yz::toolPath();
}

} // namespace yz::test
