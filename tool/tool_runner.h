#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace yz {

/// Status texts that a tool run reports.
namespace status {
inline const QString Done = QStringLiteral("任务完成");
inline const QString IoError = QStringLiteral("输入输出错误");
inline const QString NoSuchFile = QStringLiteral("文件不存在");
inline const QString Running = QStringLiteral("正常运行");
/// The status of a run whose program file is missing: the path followed by " 不存在".
QString missingTool(const QString &programPath);
} // namespace status

/// What one chunk of tool output said: a status text and the last elapsed time (hh:mm:ss).
struct ToolReport {
    QString status;
    QString time;
};

/// Called once per non-empty chunk of output, on the thread that runs the tool.
using OutputHandler = std::function<void(const ToolReport &)>;

/// The arguments of one tool run. Each token reaches the tool as one argument, whatever
/// it contains (blanks, quotes), so a file name can never inject arguments. text() renders
/// the tokens as the classic command line: a leading blank, tokens separated by blanks,
/// paths in double quotes.
class ArgLine {
public:
    ArgLine() = default;

    /// Plain tokens, given as one text split at blanks ("-vcodec copy -y").
    ArgLine &opts(const QString &blankSeparated);
    /// One token taken as it is (an option value that may hold blanks).
    ArgLine &arg(const QString &token);
    /// A path: one token, shown in double quotes.
    ArgLine &path(const QString &path);
    /// A path shown without quotes (the duration probe's way), still one token.
    ArgLine &barePath(const QString &path);

    QStringList tokens() const;
    QString text() const;

    /// Splits a command line by the Windows rules (blanks split, double quotes group,
    /// backslashes before a quote escape it) into plain tokens.
    static ArgLine fromText(const QString &line);
    static QStringList splitCommandLine(const QString &line);

    bool operator==(const ArgLine &other) const = default;

private:
    struct Token {
        QString text;
        bool quoted = false;
        bool operator==(const Token &) const = default;
    };
    QList<Token> m_tokens;
};

/// How a tool run ended.
struct ToolResult {
    enum class End {
        Exited,        ///< the tool ended by itself; see exitCode
        Crashed,       ///< the tool died of a signal or an exception
        Killed,        ///< the program ended it (at exit, or a forced stop)
        FailedToStart, ///< the file exists but could not be run
        Missing,       ///< no file at the program path
    };
    End end = End::FailedToStart;
    int exitCode = -1;

    bool succeeded() const { return end == End::Exited && exitCode == 0; }
};

/// Splits tool output into chunks and derives a report from each, carrying what a read
/// boundary cuts off so that a marker split between two reads is still found.
class OutputScanner {
public:
    /// Feeds the bytes of one read. Returns false when they give no text (empty, or a
    /// zero byte first); otherwise sets text (line ends normalised) and report.
    bool feed(const QByteArray &bytes, QString *text, ToolReport *report);
    /// At the end of the output: gives the bytes still held back as the start of a
    /// character cut by a read boundary (false when there are none).
    bool finish(QString *text, ToolReport *report);

    const QString &time() const { return m_time; }

private:
    QString m_tail;         // end of the previous chunk, for markers cut by a read boundary
    bool m_timeCut = false; // m_tail starts with a "time=" whose value was cut off
    QString m_time;
    QByteArray m_pending; // bytes of a character cut by a read boundary
};

/// Runs the program once with the arguments, blocking until it has ended and its output
/// has been read to the end. Standard output and error arrive merged; the working folder
/// is the program's folder. The handler (if any) sees every non-empty chunk right after
/// its read; output (if given) receives every chunk followed by "\r\n", or the missing-tool
/// status when the program file does not exist.
ToolResult runTool(const QString &program, const ArgLine &args, const OutputHandler &handler = {},
                   QString *output = nullptr);
/// The same with a command line given as text (split by the Windows rules).
ToolResult runTool(const QString &program, const QString &argumentLine, const OutputHandler &handler = {},
                   QString *output = nullptr);

/// Every tool process the program starts is tracked here, so that the program can end
/// exactly those and no process of another program.
namespace toolProcesses {
/// Ends every tracked process now, without waiting.
void endAll();
/// Ends every tracked process and refuses to start new ones from now on (program exit).
void shutDown();
/// Allows starts again after shutDown() (tests).
void reset();
/// Number of tracked processes still running.
int runningCount();
} // namespace toolProcesses

/// True when the output holds the completion marker in either spelling
/// ("global headers:0kB" before ffmpeg 7, "global headers:0KiB" from 7 on).
bool hasCompletionMarker(const QString &text);
/// True when the output says the video stream came out empty ("video:0kB" / "video:0KiB").
bool hasEmptyVideoMarker(const QString &text);

} // namespace yz
