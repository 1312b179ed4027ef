#include "tool/tool_runner.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace yz {

QString status::missingTool(const QString &programPath) {
    return programPath + QStringLiteral(" 不存在");
}

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

// The status of a chunk, tested in this order; `carried` leading characters of window
// belong to the previous chunk.
QString statusOf(const QString &window, qsizetype carried) {
    if (containsNew(window, carried, kDoneMarkers[0]) || containsNew(window, carried, kDoneMarkers[1]))
        return status::Done;
    if (containsNew(window, carried, kIoErrorMarker))
        return status::IoError;
    if (containsNew(window, carried, kNoFileMarker))
        return status::NoSuchFile;
    return status::Running;
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
            QString piece = timeWindow.mid(valueStart, 8).trimmed();
            // From 100 hours on the clock is longer than 8 characters; cutting it would
            // turn 100:00:05 into 100:00:0.
            static const QRegularExpression longClock(QStringLiteral("\\d{3,}:\\d\\d:\\d\\d"));
            const QRegularExpressionMatch m =
                longClock.match(timeWindow, valueStart, QRegularExpression::NormalMatch,
                                QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch())
                piece = m.captured(0);
            if (!piece.contains(u'-'))
                m_time = piece;
        }
    }

    const QString statusText = statusOf(timeWindow, carried);

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

bool OutputScanner::finish(QString *text, ToolReport *report) {
    if (m_pending.isEmpty())
        return false;
    // The tool ended on bytes that looked like the start of a character; they are kept
    // as they are (decoded with replacement characters) rather than lost.
    const QByteArray rest = std::exchange(m_pending, QByteArray());
    const QString chunk = QString::fromUtf8(rest);
    if (text)
        *text = chunk;
    if (report)
        *report = {statusOf(m_tail + chunk, m_tail.size()), m_time};
    m_tail = QString(m_tail + chunk).right(kLongestMarker - 1);
    m_timeCut = false;
    return true;
}

// ---------------------------------------------------------------------------------------
// Process tracking

namespace {

// A tracked tool process. On Linux it is held by a pidfd, so a signal can never reach
// another program's process that happens to get the same pid after the tool has ended.
struct Tracked {
    bool endedByUs = false;
    int pidfd = -1;
    bool byPid = false; // no pidfd available (old kernel): fall back to the pid
};

struct Registry {
    QMutex mutex;
    QHash<qint64, Tracked> running; // pid -> process
    bool shuttingDown = false;
};

Registry &registry() {
    static Registry r;
    return r;
}

// Called right after the start, before the process can have been reaped: the pid is
// still that of our child.
Tracked track(qint64 pid) {
    Tracked t;
#if defined(Q_OS_LINUX) && defined(SYS_pidfd_open)
    t.pidfd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    t.byPid = t.pidfd < 0 && errno == ENOSYS;
#else
    t.byPid = true;
#endif
    return t;
}

void release(Tracked &t) {
#ifndef Q_OS_WIN
    if (t.pidfd >= 0)
        ::close(t.pidfd);
#endif
    t.pidfd = -1;
}

void endProcess(qint64 pid, const Tracked &t) {
#ifdef Q_OS_WIN
    Q_UNUSED(t)
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
        TerminateProcess(h, 1);
        CloseHandle(h);
    }
#else
#if defined(Q_OS_LINUX) && defined(SYS_pidfd_send_signal)
    if (t.pidfd >= 0) {
        ::syscall(SYS_pidfd_send_signal, t.pidfd, SIGKILL, nullptr, 0);
        return;
    }
#endif
    if (t.byPid)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}

} // namespace

void toolProcesses::endAll() {
    Registry &r = registry();
    QMutexLocker locker(&r.mutex);
    for (auto it = r.running.begin(); it != r.running.end(); ++it) {
        it->endedByUs = true;
        endProcess(it.key(), it.value());
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

ToolResult runTool(const QString &program, const ArgLine &args, const OutputHandler &handler,
                   QString *output) {
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
    // Absolute, because the process starts in the program's folder and a relative path
    // would then point elsewhere.
    process.setProgram(QFileInfo(program).absoluteFilePath());
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
        Tracked &t = r.running.insert(pid, track(pid)).value();
        if (r.shuttingDown) {
            t.endedByUs = true;
            endProcess(pid, t);
        }
    }

    OutputScanner scanner;
    QString text;
    ToolReport report;
    auto deliver = [&] {
        if (handler)
            handler(report);
        if (output) {
            *output += text;
            *output += QStringLiteral("\r\n");
        }
    };
    auto drain = [&] {
        while (process.bytesAvailable() > 0) {
            if (scanner.feed(process.read(1023), &text, &report))
                deliver();
        }
    };
    // Blocks on the pipe; returns false once the process has ended and nothing is left.
    while (process.waitForReadyRead(-1))
        drain();
    process.waitForFinished(-1);
    drain();
    if (scanner.finish(&text, &report))
        deliver();

    bool endedByUs = false;
    {
        QMutexLocker locker(&r.mutex);
        Tracked t = r.running.take(pid);
        endedByUs = t.endedByUs;
        release(t);
    }
    // Ended by us only when our signal is what ended it; a tool that had just finished by
    // itself keeps its own result.
    if (endedByUs && process.exitStatus() == QProcess::CrashExit)
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
