#pragma once

#include "jobs/convert/convert_lines.h"
#include "jobs/convert/convert_options.h"
#include "tool/progress_monitor.h"

#include <QMutex>
#include <QObject>

#include <atomic>
#include <thread>

namespace yz {

class VideoList;

/// Converts every video of a list into one format, one tool run per row, on its own worker
/// thread. Knows nothing of the window: it reads its options from a ConvertOptions taken at
/// start, writes the rows' status column through the list, reports progress through its own
/// ProgressMonitor and tells the rest through signals (queued to whoever listens).
///
/// A row ends with "任务完成" only when the tool exited with success and its output exists
/// and is not empty; the output is written under a temporary name and put in the target's
/// place only then, so a failed or stopped run never spoils an earlier output, and a source
/// is deleted (when asked) only after such a success.
class ConvertJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConvertJob)

public:
    enum class State { Idle, Running, Stopping };
    Q_ENUM(State)

    /// The list must outlive every run of the job.
    explicit ConvertJob(VideoList *list, QObject *parent = nullptr);
    /// Asks the job to stop after the current row and waits for the worker.
    ~ConvertJob() override;

    VideoList *list() const { return m_list; }
    /// The job's own monitor; the window's progress area shows its signals.
    ProgressMonitor *monitor() { return &m_monitor; }
    State state() const;

    /// Starts a run over the rows the list holds now. Returns false (and does nothing) when
    /// a run is under way or the list is empty. Shows the monitor for the row count.
    bool start(const ConvertOptions &options);

    /// Stops this job after the row being converted; no further row starts. Other jobs
    /// are not affected.
    void requestStop();
    /// Stops at once: ends the running tool (every tool process the program started, as
    /// the runner offers no finer handle), whose unfinished output is then removed.
    void abortNow();

    /// Blocks until the worker has ended (returns at once when none runs). Safe on the
    /// list's thread: the worker never waits for that thread.
    void wait();

Q_SIGNALS:
    void stateChanged(yz::ConvertJob::State state);
    /// Row `row` (0-based) is being converted into `target`.
    void itemStarted(int row, const QString &source, const QString &target);
    /// Row `row` ended with `status`; `output` is the file written, empty on failure.
    void itemFinished(int row, const QString &status, const QString &output);
    /// Dry run: the program and argument line that row `row` would run.
    void commandPlanned(int row, const QString &program, const QString &argumentLine);
    void finished();

private:
    void run(ConvertOptions options);
    /// taken: the list's paths and the outputs this run has planned so far; a target is never
    /// one of them.
    void convertRow(quint64 id, int row, const ConvertOptions &options, PathSet &taken);
    void setState(State state);
    void setStatus(quint64 id, const QString &text);
    /// Adds the list's paths to taken (each distinct path looks at the disk once).
    void addRowPaths(PathSet &taken) const;

    VideoList *const m_list;
    ProgressMonitor m_monitor;
    std::thread m_worker;
    std::atomic_bool m_stopRequested{false};
    std::atomic_bool m_abortRequested{false};
    mutable QMutex m_stateMutex;
    State m_state = State::Idle;
};

} // namespace yz
