#pragma once

#include "jobs/convert/convert_options.h"

#include <QString>
#include <QStringList>

namespace yz::cli {

/// What the command line asks for.
struct Command {
    enum class Kind { Help, Convert, Info, UsageError };
    Kind kind = Kind::UsageError;
    ConvertOptions options; ///< convert only
    QStringList paths;      ///< files and folders, as given
    QString error;          ///< what is wrong, for a usage error
};

/// Reads the arguments that follow the program name.
Command parseArguments(const QStringList &arguments);

/// The text of --help.
QString helpText();

} // namespace yz::cli
