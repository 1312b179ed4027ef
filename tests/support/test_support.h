#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace yz::test {

/// The distribution's ffmpeg and the staged stand-in built with the tests.
inline QString ffmpegPath() {
    return QStringLiteral(FFMPEG_PATH);
}
inline QString fakeToolPath() {
    return QStringLiteral(FAKE_TOOL_PATH);
}
inline QString cliPath() {
    return QStringLiteral(YANZHOU_CLI_PATH);
}

/// Makes a small test clip with ffmpeg's lavfi sources: a test pattern with a sine tone.
/// Returns whether the file was written.
bool makeClip(const QString &path, double seconds = 1.0, QSize size = QSize(160, 120),
              const QString &pixelFormat = QStringLiteral("yuv420p"), bool withAudio = true,
              const QStringList &extraArgs = QStringList());

/// Runs ffmpeg (or ffprobe-like queries through it) and returns its merged output.
QString runFfmpeg(const QStringList &args, int *exitCode = nullptr);

/// Duration in seconds of a media file as ffmpeg reads it (from "Duration: "), -1 when none.
double mediaDuration(const QString &path);
/// The stream descriptions ("Video: ...", "Audio: ...") ffmpeg prints for a file.
QStringList streamKinds(const QString &path);

/// Writes bytes to a file, replacing it; returns whether all were written.
bool writeFile(const QString &path, const QByteArray &bytes);

/// Puts a shell script at bin/ffmpeg of the current run directory: the duration probe
/// (two arguments) goes to the real tool; anything longer runs `conversion` with $last set
/// to the last argument (the output path).
bool installScriptTool(const QString &conversion);

/// A temporary run directory with bin/ffmpeg linked to the given program (the real
/// ffmpeg by default); makes it the program's run directory.
class RunDir {
public:
    explicit RunDir(const QString &tool = ffmpegPath());
    QString path() const { return m_dir.path(); }
    QString toolPath() const;
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

} // namespace yz::test
