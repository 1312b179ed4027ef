#include "cli/cli_args.h"
#include "cli/commands.h"
#include "tool/tool_runner.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("yanzhou-cli"));

    const yz::cli::Command command = yz::cli::parseArguments(QCoreApplication::arguments().mid(1));
    int status = 2;
    switch (command.kind) {
    case yz::cli::Command::Kind::Help:
        std::fputs(yz::cli::helpText().toUtf8().constData(), stdout);
        return 0;
    case yz::cli::Command::Kind::UsageError:
        std::fprintf(stderr, "yanzhou-cli: %s\nTry \"yanzhou-cli --help\".\n",
                     command.error.toUtf8().constData());
        return 2;
    case yz::cli::Command::Kind::Convert:
        status = yz::cli::runConvert(command);
        break;
    case yz::cli::Command::Kind::Info:
        status = yz::cli::runInfo(command);
        break;
    }
    // No tool process may outlive the program.
    yz::toolProcesses::shutDown();
    return status;
}
