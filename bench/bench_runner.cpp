// Runs one ffmpeg command alternately bare and through runTool with a progress handler,
// and prints the wall times and the CPU time this program spends itself.
//
//   bench_runner <ffmpeg> <rounds> <ffmpeg arguments...>

#include "tool/progress_monitor.h"
#include "tool/tool_runner.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

double seconds(const timeval &t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

struct Usage {
    double self = 0;     // user + system of this process
    double children = 0; // user + system of the reaped children
};

Usage usageNow() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return {seconds(self.ru_utime) + seconds(self.ru_stime),
            seconds(children.ru_utime) + seconds(children.ru_stime)};
}

// The command as a shell would run it: output to /dev/null, nothing read.
bool runBare(const QString &program, const QStringList &args) {
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <ffmpeg> <rounds> <ffmpeg arguments...>\n", argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int rounds = std::max(1, std::atoi(argv[2]));
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    yz::ArgLine line;
    for (const QString &a : args)
        line.arg(a);

    std::vector<double> bareWall, runnerWall;
    double runnerSelf = 0, runnerTool = 0, bareTool = 0;
    int reports = 0;
    int lastPercent = -1;
    std::vector<double> pairRatios;
    auto bare = [&] {
        const Usage before = usageNow();
        QElapsedTimer timer;
        timer.start();
        const bool ok = runBare(program, args);
        bareWall.push_back(timer.nsecsElapsed() / 1e9);
        bareTool += usageNow().children - before.children;
        return ok;
    };
    auto throughRunner = [&] {
        yz::ProgressMonitor monitor;
        monitor.setTotalDuration(QStringLiteral("00:00:20"));
        QObject::connect(&monitor, &yz::ProgressMonitor::percentChanged, [&](int p) { lastPercent = p; });
        const Usage before = usageNow();
        QElapsedTimer timer;
        timer.start();
        const yz::ToolResult result = yz::runTool(program, line, [&](const yz::ToolReport &r) {
            ++reports;
            monitor.reportProgress(r);
        });
        runnerWall.push_back(timer.nsecsElapsed() / 1e9);
        const Usage after = usageNow();
        runnerSelf += after.self - before.self;
        runnerTool += after.children - before.children;
        return result.succeeded();
    };
    for (int round = 0; round < rounds; ++round) {
        // The order alternates from round to round, so neither run always meets a warm or
        // a busy machine first.
        const bool ok = round % 2 ? throughRunner() && bare() : bare() && throughRunner();
        if (!ok) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        pairRatios.push_back(runnerWall.back() / bareWall.back());
    }

    const double ratio = median(runnerWall) / median(bareWall);
    std::printf("rounds                      %d (bare and runTool, order alternating)\n", rounds);
    std::printf("wall bare, median           %.3f s\n", median(bareWall));
    std::printf("wall runTool, median        %.3f s\n", median(runnerWall));
    std::printf("wall-time ratio of medians  %.4f   (target <= 1.02)\n", ratio);
    std::printf("median of per-round ratios  %.4f\n", median(pairRatios));
    // On a shared machine the fastest rounds are the ones least disturbed by others.
    std::printf("ratio of the fastest rounds %.4f   (%.3f s / %.3f s)\n",
                *std::min_element(runnerWall.begin(), runnerWall.end()) /
                    *std::min_element(bareWall.begin(), bareWall.end()),
                *std::min_element(runnerWall.begin(), runnerWall.end()),
                *std::min_element(bareWall.begin(), bareWall.end()));
    std::printf("tool CPU, bare / runTool    %.3f s / %.3f s per round\n", bareTool / rounds,
                runnerTool / rounds);
    std::printf("own CPU during runTool      %.4f s per round\n", runnerSelf / rounds);
    std::printf("own CPU / tool CPU          %.3f %%   (target <= 1 %%)\n",
                runnerTool > 0 ? 100.0 * runnerSelf / runnerTool : 0.0);
    std::printf("reports per round           %d, last percentage %d\n", reports / rounds, lastPercent);
    return 0;
}
