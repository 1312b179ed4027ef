#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace yz {

class VideoList;

/// Fills one VideoList: chosen files at once, folder trees on a scan thread, and the
/// duration column (merge and clip lists) on probe threads, so that the window never
/// waits for the tool. Rows always appear in the order of the files; the durations
/// follow as the probes finish. A probe writes into its row wherever the row stands by
/// then, and is skipped when the row was removed meanwhile.
///
/// Work is grouped in batches (one per addFiles or addFolder call); batchFinished
/// reports on this object's thread when all rows of a batch are in and probed.
class ListFiller final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListFiller)

public:
    /// Reads the duration text of a file (hh:mm:ss, empty when unknown).
    using Probe = std::function<QString(const QString &path)>;

    /// probeDurations: whether rows get a duration; the default probe runs the tool at
    /// toolPath(), taken when each probe starts.
    explicit ListFiller(VideoList *list, bool probeDurations, QObject *parent = nullptr);
    ~ListFiller() override;

    /// Replaces the probe (tests); call before any work starts.
    void setProbe(Probe probe);
    /// Number of probes run at the same time (at least 1).
    void setProbeThreads(int count);

    /// Appends the paths as rows now, in order, and queues their probes. Returns the
    /// batch, or 0 when nothing is left to do (no paths, or no probing): then no
    /// batchFinished follows.
    quint64 addFiles(const QStringList &paths);
    /// Appends the video files of the folder tree in scan order from a new worker thread
    /// and probes them. batchFinished always follows (also for an empty folder).
    quint64 addFolder(const QString &folder);

    /// Batches started and not finished yet.
    int pendingBatches() const;

    /// Stops the scans and probes (a probe in progress finishes) and joins every thread;
    /// no batchFinished is reported afterwards. For the window's destruction: it shuts the
    /// list down as well, since a worker may be waiting on the list's thread, which is
    /// the thread that joins it.
    void shutDown();

Q_SIGNALS:
    void batchFinished(quint64 batch);

private:
    struct Job {
        quint64 batch;
        quint64 row;
        QString path;
    };
    struct Batch {
        int pending = 0;       // probes queued or running
        bool complete = false; // every row of the batch has been appended
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic_bool> done = std::make_shared<std::atomic_bool>(false);
    };

    quint64 newBatch(bool complete);
    void queueProbes(quint64 batch, const QList<quint64> &rows, const QStringList &paths);
    void markComplete(quint64 batch);
    void finishIfDone(std::unique_lock<std::mutex> &lock, quint64 batch);
    void startWorker(std::function<void()> body);
    void reapWorkers(); // joins the threads that have ended; m_mutex held
    void probeLoop();
    void scan(quint64 batch, const QString &folder);

    VideoList *const m_list;
    QPointer<VideoList> m_listAlive; // the list may go first when the window is torn down
    const bool m_probeDurations;
    Probe m_probe;
    int m_probeThreads = 2;

    mutable std::mutex m_mutex; // guards everything below
    std::deque<Job> m_queue;
    std::map<quint64, Batch> m_batches;
    quint64 m_nextBatch = 1;
    int m_probers = 0;
    std::vector<Worker> m_workers;
    bool m_stopping = false;
    std::atomic_bool m_stop = false; // read by the scans without the lock
};

} // namespace yz
