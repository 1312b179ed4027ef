// A stand-in for ffmpeg that stages exact outputs, exit codes, crashes and hangs, so the
// tests can show what real runs rarely do.
//
// The mode comes from the first argument when it reads "--mode=NAME" (that argument is then
// not echoed), otherwise from the environment variable FAKE_TOOL_MODE (so a job that passes
// ffmpeg-like arguments can run this program as bin/ffmpeg), otherwise "echo-args".
//
// Modes:
//   echo-args     prints "argc=N" and "arg[i]=<text>" per argument, one line each; exit 0
//   exit:N        prints "fake tool failing"; exits with code N
//   crash         prints a line, then abort()s
//   hang          prints a progress line, writes its pid to FAKE_TOOL_PIDFILE (if set),
//                 then sleeps until killed
//   copy-last     a successful conversion: a "Duration:" header, progress lines ending in
//                 CR, the final stats line, and a copy of the file after the last "-i" to the
//                 last argument; exit 0 (exit 1 when the copy fails)
//   no-output     prints the success markers but writes no file; exit 0
//   chunks        writes every further argument with one write() each, pausing between
//                 them (FAKE_TOOL_PAUSE_MS, 150 by default); the escapes \n \r \t \0 \\ and
//                 \xHH are decoded, so a test can place a read boundary or a zero byte
//                 exactly; exit 0 (or FAKE_TOOL_EXIT)
//   split-marker  the completion marker cut in two writes with a pause between; exit 0
//   zero-byte     progress, then a write that starts with a zero byte, then progress; exit 0
//   time-dash     a progress line whose "time=" value is negative, then a good one; exit 0
//   cr-progress   progress lines ending in blanks and CR, then the final stats; exit 0
//   progress:N    N progress lines one pause apart, time=00:00:01.00, 00:00:02.00 …, after
//                 a "Duration:" header of N seconds; then the final stats; exit 0
//   large:N       N bytes of output (numbered lines), then the final stats; exit 0
//   stdout-stderr alternates lines on standard output and standard error; exit 0
//   cwd           prints "cwd=<working folder>"; exit 0

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

const char *const kDuration = "  Duration: 00:00:02.00, start: 0.000000, bitrate: 1024 kb/s\n";
const char *const kFinal = "video:12kB audio:3kB subtitle:0kB other streams:0kB global headers:0kB "
                           "muxing overhead: 1.234567%\n";

int pauseMs() {
    const char *env = std::getenv("FAKE_TOOL_PAUSE_MS");
    return env ? std::atoi(env) : 150;
}

void pauseBetweenWrites() {
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs()));
}

// One write() per call, so the reader sees the bytes exactly as staged.
void writeAll(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}

void out(const std::string &bytes) {
    writeAll(STDOUT_FILENO, bytes);
}

std::string decodeEscapes(const std::string &s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            r += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 'n':
            r += '\n';
            break;
        case 'r':
            r += '\r';
            break;
        case 't':
            r += '\t';
            break;
        case '0':
            r += '\0';
            break;
        case '\\':
            r += '\\';
            break;
        case 'x':
            if (i + 2 < s.size()) {
                r += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                r += "\\x";
            }
            break;
        default:
            r += '\\';
            r += c;
        }
    }
    return r;
}

std::string progressLine(int seconds, const char *end) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "frame=%5d fps= 25 q=28.0 size=%6dkB time=%02d:%02d:%02d.00 bitrate= 200.0kbits/s "
                  "speed=1.00x%s",
                  seconds * 25, seconds * 10, seconds / 3600, (seconds / 60) % 60, seconds % 60, end);
    return buf;
}

bool copyFile(const std::string &from, const std::string &to) {
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return false;
    std::ofstream o(to, std::ios::binary | std::ios::trunc);
    if (!o)
        return false;
    o << in.rdbuf();
    return static_cast<bool>(o);
}

int fromEnvExit() {
    const char *env = std::getenv("FAKE_TOOL_EXIT");
    return env ? std::atoi(env) : 0;
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string mode = "echo-args";
    if (const char *env = std::getenv("FAKE_TOOL_MODE"); env && *env)
        mode = env;
    if (!args.empty() && args.front().rfind("--mode=", 0) == 0) {
        mode = args.front().substr(7);
        args.erase(args.begin());
    }

    if (mode == "echo-args") {
        std::string text = "argc=" + std::to_string(args.size()) + "\n";
        for (size_t i = 0; i < args.size(); ++i)
            text += "arg[" + std::to_string(i) + "]=" + args[i] + "\n";
        out(text);
        return 0;
    }
    if (mode.rfind("exit:", 0) == 0) {
        out("fake tool failing\n");
        return std::atoi(mode.c_str() + 5);
    }
    if (mode == "crash") {
        out("fake tool about to crash\n");
        std::fflush(stdout);
        std::abort();
    }
    if (mode == "hang") {
        out(progressLine(1, "\r"));
        if (const char *pidFile = std::getenv("FAKE_TOOL_PIDFILE"); pidFile && *pidFile) {
            // Written to a temporary name and renamed, so a reader never sees half a pid.
            const std::string tmp = std::string(pidFile) + ".part";
            {
                std::ofstream f(tmp, std::ios::trunc);
                f << ::getpid() << "\n";
            }
            std::rename(tmp.c_str(), pidFile);
        }
        for (;;)
            ::pause();
    }
    if (mode == "copy-last" || mode == "no-output") {
        out(kDuration);
        for (int i = 0; i < 3; ++i)
            out(progressLine(1, "\r"));
        out(kFinal);
        if (mode == "no-output")
            return 0;
        std::string input;
        size_t inputAt = 0;
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "-i") {
                input = args[i + 1];
                inputAt = i + 1;
            }
        // A line that ends with its input (a duration probe) names no output, as ffmpeg
        // would complain; copying the input onto itself would empty it.
        if (!input.empty() && inputAt + 1 == args.size()) {
            out("At least one output file must be specified\n");
            return 1;
        }
        if (input.empty() || args.empty() || !copyFile(input, args.back())) {
            out("fake tool: cannot copy\n");
            return 1;
        }
        return 0;
    }
    if (mode == "chunks") {
        for (size_t i = 0; i < args.size(); ++i) {
            if (i > 0)
                pauseBetweenWrites();
            out(decodeEscapes(args[i]));
        }
        return fromEnvExit();
    }
    if (mode == "split-marker") {
        out(progressLine(1, "\r"));
        out("video:12kB audio:3kB subtitle:0kB other streams:0kB global hea");
        pauseBetweenWrites();
        out("ders:0kB muxing overhead: 1.234567%\n");
        return 0;
    }
    if (mode == "zero-byte") {
        out(progressLine(1, "\r"));
        pauseBetweenWrites();
        out(std::string("\0", 1) + progressLine(2, "\r"));
        pauseBetweenWrites();
        out(progressLine(3, "\r"));
        return 0;
    }
    if (mode == "time-dash") {
        out("frame=    0 fps=0.0 q=0.0 size=       0kB time=-577014:32:22.77 bitrate=  -0.0kbits/s "
            "speed=N/A    \r");
        pauseBetweenWrites();
        out(progressLine(1, "\r"));
        return 0;
    }
    if (mode == "cr-progress") {
        out(kDuration);
        for (int s = 1; s <= 2; ++s) {
            pauseBetweenWrites();
            out(progressLine(s, "    \r"));
        }
        pauseBetweenWrites();
        out(progressLine(2, "\r"));
        pauseBetweenWrites();
        out(kFinal);
        return 0;
    }
    if (mode.rfind("progress:", 0) == 0) {
        const int n = std::atoi(mode.c_str() + 9);
        char header[96];
        std::snprintf(header, sizeof header,
                      "  Duration: %02d:%02d:%02d.00, start: 0.000000, bitrate: 1024 kb/s\n", n / 3600,
                      (n / 60) % 60, n % 60);
        out(header);
        for (int s = 1; s <= n; ++s) {
            pauseBetweenWrites();
            out(progressLine(s, "\r"));
        }
        pauseBetweenWrites();
        out(kFinal);
        return 0;
    }
    if (mode.rfind("large:", 0) == 0) {
        const long total = std::atol(mode.c_str() + 6);
        std::string text;
        for (long line = 0; static_cast<long>(text.size()) < total; ++line)
            text += "line " + std::to_string(line) + " of the large output\n";
        text.resize(static_cast<size_t>(total));
        out(text);
        out(kFinal);
        return 0;
    }
    if (mode == "stdout-stderr") {
        for (int i = 0; i < 4; ++i)
            writeAll(i % 2 ? STDERR_FILENO : STDOUT_FILENO,
                     std::string(i % 2 ? "stderr " : "stdout ") + std::to_string(i) + "\n");
        return 0;
    }
    if (mode == "cwd") {
        char buf[4096];
        out(std::string("cwd=") + (::getcwd(buf, sizeof buf) ? buf : "?") + "\n");
        return 0;
    }
    std::fprintf(stderr, "fake tool: unknown mode %s\n", mode.c_str());
    return 99;
}
