#pragma once

#include "cli/cli_args.h"

namespace yz::cli {

class Console;

/// The files a command works on: files as given (made absolute, also when missing, so that
/// they are reported), folders replaced by the videos found in them.
QStringList collectVideos(const QStringList &paths, Console &console);

/// Runs the conversion job over the paths; returns the exit status. Needs the application
/// object; runs the event loop until the job has ended.
int runConvert(const Command &command);

/// Prints duration and frame size of every video as the jobs read them; returns the exit status.
int runInfo(const Command &command);

} // namespace yz::cli
