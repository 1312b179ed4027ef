#include "tool/tool_runner.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QStringDecoder>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace yz {

QString status::missingTool(const QString &programPath) { return programPath + QStringLiteral(" 不存在"); }

// ---------------------------------------------------------------------------------------
// ArgLine

ArgLine &ArgLine::opts(const QString &blankSeparated) {
    const QStringList parts = blankSeparated.split(u' ', Qt::SkipEmptyParts);
    for (const QString &p : parts)
        m_tokens.append({p, false});
    return *this;
}

ArgLine &ArgLine::arg(const QString &token) {
    m_tokens.append({token, false});
    return *this;
}

ArgLine &ArgLine::path(const QString &path) {
    m_tokens.append({path, true});
    return *this;
}

ArgLine &ArgLine::barePath(const QString &path) {
    m_tokens.append({path, false});
    return *this;
}

QStringList ArgLine::tokens() const {
    QStringList list;
    list.reserve(m_tokens.size());
    for (const Token &t : m_tokens)
        list.append(t.text);
    return list;
}

QString ArgLine::text() const {
    QString line;
    for (const Token &t : m_tokens) {
        line += u' ';
        if (t.quoted)
            line += u'"' + t.text + u'"';
        else
            line += t.text;
    }
    return line;
}

QStringList ArgLine::splitCommandLine(const QString &line) {
    QStringList result;
    QString current;
    bool inToken = false;
    bool inQuotes = false;
    int i = 0;
    const int n = line.size();
    while (i < n) {
        const QChar c = line.at(i);
        if (c == u'\\') {
            int slashes = 0;
            while (i < n && line.at(i) == u'\\') {
                ++slashes;
                ++i;
            }
            if (i < n && line.at(i) == u'"') {
                current += QString(slashes / 2, u'\\');
                if (slashes % 2) {
                    current += u'"';
                    ++i;
                }
            } else {
                current += QString(slashes, u'\\');
            }
            inToken = true;
            continue;
        }
        if (c == u'"') {
            inQuotes = !inQuotes;
            inToken = true;
            ++i;
            continue;
        }
        if ((c == u' ' || c == u'\t') && !inQuotes) {
            if (inToken)
                result.append(current);
            current.clear();
            inToken = false;
            ++i;
            continue;
        }
        current += c;
        inToken = true;
        ++i;
    }
    if (inToken)
        result.append(current);
    return result;
}

ArgLine ArgLine::fromText(const QString &line) {
    ArgLine args;
    for (const QString &t : splitCommandLine(line))
        args.arg(t);
    return args;
}

// ---------------------------------------------------------------------------------------
// Markers

namespace {

const QString kTimeMarker = QStringLiteral("time=");
const QString kDoneMarkers[] = {QStringLiteral("global headers:0kB"), QStringLiteral("global headers:0KiB")};
const QString kIoErrorMarker = QStringLiteral("Input/output error");
const QString kNoFileMarker = QStringLiteral("No such file or directory");
constexpr int kLongestMarker = 19; // "global headers:0KiB"

// Finds marker in window, ignoring occurrences that lie wholly within the first
// `carried` characters (those were seen with the previous chunk already).
bool containsNew(const QString &window, qsizetype carried, const QString &marker) {
    const qsizetype from = qMax<qsizetype>(0, carried - marker.size() + 1);
    return window.indexOf(marker, from) >= 0;
}

} // namespace

bool hasCompletionMarker(const QString &text) {
    return text.contains(kDoneMarkers[0]) || text.contains(kDoneMarkers[1]);
}

bool hasEmptyVideoMarker(const QString &text) {
    return text.contains(QStringLiteral("video:0kB")) || text.contains(QStringLiteral("video:0KiB"));
}

bool OutputScanner::feed(const QByteArray &raw, QString *text, ToolReport *report) {
    // Line ends: LF becomes CR LF, then a blank before CR swallows the CR, so progress
    // lines that end in blanks and CR run together as the console shows them.
    QByteArray bytes = raw;
    bytes.replace("\n", "\r\n");
    bytes.replace(" \r", " ");
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    if (bytes.isEmpty())
        return false;

    // A multi-byte character cut by the read boundary is completed with the next read.
    QByteArray all = m_pending + bytes;
    qsizetype cut = all.size();
    {
        // Keep back an incomplete UTF-8 sequence at the end.
        qsizetype i = all.size() - 1;
        int back = 0;
        while (i >= 0 && back < 4 && (static_cast<unsigned char>(all.at(i)) & 0xC0) == 0x80) {
            --i;
            ++back;
        }
        if (i >= 0) {
            const unsigned char lead = static_cast<unsigned char>(all.at(i));
            const int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (need > 1 && need > back + 1)
                cut = i;
        }
    }
    m_pending = all.mid(cut);
    const QString chunk = QString::fromUtf8(all.left(cut));
    if (chunk.isEmpty())
        return false;

    // Elapsed time: the 8 characters after the first "time=" of the chunk.
    const QString timeWindow = m_tail + chunk;
    const qsizetype carried = m_tail.size();
    const qsizetype at =
        timeWindow.indexOf(kTimeMarker, m_timeCut ? 0 : qMax<qsizetype>(0, carried - kTimeMarker.size() + 1));
    bool timeCut = false;
    if (at >= 0) {
        const qsizetype valueStart = at + kTimeMarker.size();
        if (timeWindow.size() - valueStart < 8 && !timeWindow.mid(valueStart).contains(u'\r')) {
            timeCut = true; // the value continues in the next read
        } else {
            const QString piece = timeWindow.mid(valueStart, 8).trimmed();
            if (!piece.contains(u'-'))
                m_time = piece;
        }
    }

    QString statusText;
    if (containsNew(timeWindow, carried, kDoneMarkers[0]) || containsNew(timeWindow, carried, kDoneMarkers[1]))
        statusText = status::Done;
    else if (containsNew(timeWindow, carried, kIoErrorMarker))
        statusText = status::IoError;
    else if (containsNew(timeWindow, carried, kNoFileMarker))
        statusText = status::NoSuchFile;
    else
        statusText = status::Running;

    // What the next chunk needs of this one: enough to complete any marker, and a
    // "time=" whose value was cut, which must then be searched again from its start.
    m_timeCut = timeCut;
    if (timeCut)
        m_tail = timeWindow.mid(at);
    else
        m_tail = timeWindow.right(kLongestMarker - 1);

    if (text)
        *text = chunk;
    if (report)
        *report = {statusText, m_time};
    return true;
}

// ---------------------------------------------------------------------------------------
// Process tracking

namespace {

struct Registry {
    QMutex mutex;
    QHash<qint64, bool> running; // pid -> ended by the program
    bool shuttingDown = false;
};

Registry &registry() {
    static Registry r;
    return r;
}

void endProcess(qint64 pid) {
#ifdef Q_OS_WIN
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
        TerminateProcess(h, 1);
        CloseHandle(h);
    }
#else
    ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}

} // namespace

void toolProcesses::endAll() {
    Registry &r = registry();
    QMutexLocker locker(&r.mutex);
    for (auto it = r.running.begin(); it != r.running.end(); ++it) {
        it.value() = true;
        endProcess(it.key());
    }
}

void toolProcesses::shutDown() {
    {
        QMutexLocker locker(&registry().mutex);
        registry().shuttingDown = true;
    }
    endAll();
}

void toolProcesses::reset() {
    QMutexLocker locker(&registry().mutex);
    registry().shuttingDown = false;
}

int toolProcesses::runningCount() {
    QMutexLocker locker(&registry().mutex);
    return static_cast<int>(registry().running.size());
}

// ---------------------------------------------------------------------------------------
// Running

ToolResult runTool(const QString &program, const ArgLine &args, const OutputHandler &handler, QString *output) {
    if (output)
        output->clear();
    ToolResult result;
    if (!QFileInfo::exists(program)) {
        const QString missing = status::missingTool(program);
        if (handler)
            handler({missing, QString()});
        if (output)
            *output = missing;
        result.end = ToolResult::End::Missing;
        return result;
    }

    Registry &r = registry();
    {
        QMutexLocker locker(&r.mutex);
        if (r.shuttingDown) {
            result.end = ToolResult::End::Killed;
            return result;
        }
    }

    QProcess process;
    process.setProgram(program);
    process.setArguments(args.tokens());
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    process.setProcessChannelMode(QProcess::MergedChannels);
    // ffmpeg reads commands from standard input; with nothing there it cannot stall on it.
    process.setStandardInputFile(QProcess::nullDevice());
#ifndef Q_OS_WIN
    // A group of its own: a Ctrl+C in the terminal reaches this program only, which decides
    // whether the running tool finishes or ends (the tool would otherwise quit half-way).
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        result.end = ToolResult::End::FailedToStart;
        return result;
    }
    const qint64 pid = process.processId();
    {
        QMutexLocker locker(&r.mutex);
        r.running.insert(pid, false);
        if (r.shuttingDown) {
            r.running[pid] = true;
            endProcess(pid);
        }
    }

    OutputScanner scanner;
    QString text;
    ToolReport report;
    auto drain = [&] {
        while (process.bytesAvailable() > 0) {
            const QByteArray bytes = process.read(1023);
            if (!scanner.feed(bytes, &text, &report))
                continue;
            if (handler)
                handler(report);
            if (output) {
                *output += text;
                *output += QStringLiteral("\r\n");
            }
        }
    };
    // Blocks on the pipe; returns false once the process has ended and nothing is left.
    while (process.waitForReadyRead(-1))
        drain();
    process.waitForFinished(-1);
    drain();

    bool endedByUs = false;
    {
        QMutexLocker locker(&r.mutex);
        endedByUs = r.running.take(pid);
    }
    if (endedByUs)
        result.end = ToolResult::End::Killed;
    else if (process.exitStatus() == QProcess::CrashExit)
        result.end = ToolResult::End::Crashed;
    else
        result.end = ToolResult::End::Exited;
    result.exitCode = process.exitCode();
    return result;
}

ToolResult runTool(const QString &program, const QString &argumentLine, const OutputHandler &handler,
                   QString *output) {
    return runTool(program, ArgLine::fromText(argumentLine), handler, output);
}

} // namespace yz
