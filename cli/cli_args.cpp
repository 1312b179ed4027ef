#include "cli/cli_args.h"

namespace yz::cli {

namespace {

Command usageError(const QString &message) {
    Command c;
    c.kind = Command::Kind::UsageError;
    c.error = message;
    return c;
}

bool isHelp(const QString &arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("help");
}

} // namespace

QString helpText() {
    return QStringLiteral(
        "Usage:\n"
        "  yanzhou-cli convert [--format FORMAT] [--into DIR | --beside] [--delete-sources] [--dry-run] "
        "PATH...\n"
        "  yanzhou-cli info PATH...\n"
        "  yanzhou-cli --help\n"
        "\n"
        "convert  Re-packages every video into one format with ffmpeg, one run per video, the\n"
        "         same way the window's conversion page does.\n"
        "  --format FORMAT   mp4 (default), flv, mov, mkv, ts, wmv or mp3 (audio only)\n"
        "  --beside          write each output next to its source as NAME_new.FORMAT (default)\n"
        "  --into DIR        write the outputs into DIR as NAME.FORMAT (DIR is created)\n"
        "  --delete-sources  delete each source once its output has been checked\n"
        "  --dry-run         print the ffmpeg command of each video instead of running it\n"
        "  An output never replaces one of the given videos, nor the output of another video of\n"
        "  the same run: such a name gets \"_new\" appended.\n"
        "  An earlier output is replaced only by a checked new one (ffmpeg ended with success\n"
        "  and wrote a non-empty file).\n"
        "\n"
        "info     Prints, for each video, what the jobs read from it:\n"
        "         duration=HH:MM:SS size=WxH path=PATH (empty duration and 0x0 when unreadable).\n"
        "\n"
        "PATH may be a file or a folder; a folder is searched with its subfolders for\n"
        ".mp4 .flv .mov .mkv .wmv .ts .avi files (folders whose names begin with a dot are skipped).\n"
        "\n"
        "Output: one line per video on standard output, fields separated by tabs:\n"
        "  STATUS<TAB>OUTPUT<TAB>SOURCE\n"
        "STATUS is 任务完成 (done), 文件不存在 (no such file), 输入输出错误 (input/output error),\n"
        "转换失败 (conversion failed) or \"<ffmpeg path> 不存在\" (ffmpeg missing); OUTPUT is the\n"
        "file written, or - when none was. Progress goes to standard error: a bar on a terminal,\n"
        "plain lines otherwise.\n"
        "\n"
        "Ctrl+C stops after the video being converted; a second Ctrl+C ends ffmpeg at once and\n"
        "removes its unfinished output (never a source).\n"
        "\n"
        "ffmpeg: the program runs <run directory>/bin/ffmpeg and links the ffmpeg found on the\n"
        "PATH there when it is missing. The run directory is this program's folder when it is\n"
        "writable, otherwise a per-user data folder; YANZHOU_RUN_DIR sets it.\n"
        "\n"
        "Exit status: 0 when every video was converted (or listed), 1 when any failed or was\n"
        "left out after a stop, 2 on a usage error.\n");
}

Command parseArguments(const QStringList &arguments) {
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given (convert or info)"));
    const QString &verb = arguments.first();
    if (isHelp(verb)) {
        Command c;
        c.kind = Command::Kind::Help;
        return c;
    }
    Command c;
    if (verb == QLatin1String("convert"))
        c.kind = Command::Kind::Convert;
    else if (verb == QLatin1String("info"))
        c.kind = Command::Kind::Info;
    else
        return usageError(QStringLiteral("unknown command \"%1\" (convert or info)").arg(verb));
    const bool convert = c.kind == Command::Kind::Convert;

    bool into = false;
    bool beside = false;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(u'-') || arg == QLatin1String("-")) {
            c.paths.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (isHelp(arg)) {
            c.kind = Command::Kind::Help;
            return c;
        }
        // "--name=value" and "--name value" are both accepted.
        QString name = arg;
        QString value;
        bool inlineValue = false;
        if (const qsizetype eq = arg.indexOf(u'='); eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
            inlineValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (inlineValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };
        const bool known = name == QLatin1String("--format") || name == QLatin1String("--into") ||
                           name == QLatin1String("--beside") || name == QLatin1String("--delete-sources") ||
                           name == QLatin1String("--dry-run");
        if (!known || !convert)
            return usageError(QStringLiteral("unknown option \"%1\" for %2").arg(arg, verb));
        if (name == QLatin1String("--format")) {
            if (!takeValue())
                return usageError(QStringLiteral("--format needs a format: %1")
                                      .arg(convertFormats().join(QStringLiteral(", "))));
            const QString format = value.toLower();
            if (!convertFormats().contains(format))
                return usageError(QStringLiteral("unknown format \"%1\": use one of %2")
                                      .arg(value, convertFormats().join(QStringLiteral(", "))));
            c.options.format = format;
        } else if (name == QLatin1String("--into")) {
            if (!takeValue() || value.isEmpty())
                return usageError(QStringLiteral("--into needs a folder"));
            into = true;
            c.options.beside = false;
            c.options.folder = value;
        } else if (inlineValue) {
            return usageError(QStringLiteral("%1 takes no value").arg(name));
        } else if (name == QLatin1String("--beside")) {
            beside = true;
        } else if (name == QLatin1String("--delete-sources")) {
            c.options.deleteSources = true;
        } else if (name == QLatin1String("--dry-run")) {
            c.options.dryRun = true;
        }
    }
    if (into && beside)
        return usageError(QStringLiteral("--into and --beside exclude each other"));
    if (c.paths.isEmpty())
        return usageError(QStringLiteral("%1 needs at least one file or folder").arg(verb));
    return c;
}

} // namespace yz::cli
