#pragma once

#include <QString>

namespace yz {

/// The folder every path of the program is built on (without a trailing separator):
/// the executable's folder when it is writable, otherwise a per-user data folder, so
/// that an installed copy works too. The environment variable YANZHOU_RUN_DIR, or
/// setRunDirectory(), puts it elsewhere (tests, portable set-ups).
QString runDirectory();
void setRunDirectory(const QString &folder);

/// Run directory + "/bin/ffmpeg" (".exe" on Windows): the program of every tool run.
QString toolPath();

/// Run directory + "/data/qvconfig.ini".
QString settingsPath();

/// Run directory + "/新媒体": the default output folder of every page.
QString defaultOutputFolder();

/// When no tool stands at toolPath() but an ffmpeg is on the PATH, links it there
/// (copies it where links are not possible). Returns whether toolPath() exists afterwards.
bool linkToolFromSystemPath();

} // namespace yz
