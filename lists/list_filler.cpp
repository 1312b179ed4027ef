#include "lists/list_filler.h"

#include "lists/folder_scan.h"
#include "lists/video_list.h"
#include "tool/progress_monitor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace yz {

ListFiller::ListFiller(VideoList *list, bool probeDurations, QObject *parent)
    : QObject(parent), m_list(list), m_listAlive(list),
      m_probeDurations(probeDurations && list->durationColumn() >= 0),
      m_probe([](const QString &path) { return probeDuration(path); }),
      m_probeThreads(std::clamp(QThread::idealThreadCount(), 1, 4)) {}

ListFiller::~ListFiller() {
    shutDown();
}

void ListFiller::setProbe(Probe probe) {
    m_probe = std::move(probe);
}

void ListFiller::setProbeThreads(int count) {
    std::lock_guard lock(m_mutex);
    m_probeThreads = std::max(count, 1);
}

int ListFiller::pendingBatches() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_batches.size());
}

quint64 ListFiller::newBatch(bool complete) {
    std::lock_guard lock(m_mutex);
    const quint64 batch = m_nextBatch++;
    m_batches[batch].complete = complete;
    return batch;
}

quint64 ListFiller::addFiles(const QStringList &paths) {
    if (paths.isEmpty())
        return 0;
    const QList<quint64> rows = m_list->appendVideosTracked(paths);
    if (!m_probeDurations || rows.isEmpty())
        return 0;
    const quint64 batch = newBatch(false);
    queueProbes(batch, rows, paths);
    markComplete(batch);
    return batch;
}

quint64 ListFiller::addFolder(const QString &folder) {
    const quint64 batch = newBatch(false);
    std::lock_guard lock(m_mutex);
    if (m_stopping) {
        m_batches.erase(batch);
        return 0;
    }
    startWorker([this, batch, folder] { scan(batch, folder); });
    return batch;
}

void ListFiller::scan(quint64 batch, const QString &folder) {
    // Rows go in in small groups: one cross-thread call per file would make a scan of a
    // big tree wait mostly on the window's thread.
    QStringList chunk;
    QElapsedTimer sinceFlush;
    sinceFlush.start();
    bool first = true;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        const QList<quint64> rows = m_list->appendVideosTracked(chunk);
        if (!rows.isEmpty()) {
            m_list->ensureVisible(m_list->indexOfId(rows.last()));
            if (m_probeDurations)
                queueProbes(batch, rows, chunk);
        }
        chunk.clear();
        sinceFlush.restart();
        first = false;
    };
    scanVideoFiles(
        folder,
        [&](const QString &path) {
            chunk.append(QDir::toNativeSeparators(path));
            if (first || chunk.size() >= 500 || sinceFlush.elapsed() >= 100)
                flush();
        },
        &m_stop);
    flush();
    markComplete(batch);
}

void ListFiller::queueProbes(quint64 batch, const QList<quint64> &rows, const QStringList &paths) {
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return;
    for (qsizetype i = 0; i < rows.size(); ++i)
        m_queue.push_back(Job{batch, rows.at(i), paths.value(i)});
    m_batches[batch].pending += static_cast<int>(rows.size());
    while (m_probers < m_probeThreads && m_probers < static_cast<int>(m_queue.size())) {
        ++m_probers;
        startWorker([this] { probeLoop(); });
    }
}

void ListFiller::probeLoop() {
    const int column = m_list->durationColumn();
    std::unique_lock lock(m_mutex);
    while (!m_stopping && !m_queue.empty()) {
        const Job job = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        // A row removed while it waited is not probed at all (a cleared list of
        // thousands of rows must not keep the tool busy).
        if (m_list->indexOfId(job.row) >= 0) {
            const QString duration = m_probe(job.path);
            if (!m_stop)
                m_list->setItemTextById(job.row, column, duration);
        }
        lock.lock();
        auto it = m_batches.find(job.batch);
        if (it != m_batches.end())
            --it->second.pending;
        finishIfDone(lock, job.batch);
    }
    --m_probers;
}

void ListFiller::markComplete(quint64 batch) {
    std::unique_lock lock(m_mutex);
    auto it = m_batches.find(batch);
    if (it == m_batches.end())
        return;
    it->second.complete = true;
    finishIfDone(lock, batch);
}

void ListFiller::finishIfDone(std::unique_lock<std::mutex> &lock, quint64 batch) {
    Q_UNUSED(lock);
    auto it = m_batches.find(batch);
    if (m_stopping || it == m_batches.end() || !it->second.complete || it->second.pending > 0)
        return;
    m_batches.erase(it);
    // Always queued, so the caller of addFiles knows its batch before the report comes.
    QMetaObject::invokeMethod(
        this,
        [this, batch] {
            {
                std::lock_guard guard(m_mutex);
                if (m_stopping)
                    return;
            }
            Q_EMIT batchFinished(batch);
        },
        Qt::QueuedConnection);
}

void ListFiller::startWorker(std::function<void()> body) {
    reapWorkers();
    Worker worker;
    worker.thread = std::thread([body = std::move(body), done = worker.done] {
        body();
        done->store(true);
    });
    m_workers.push_back(std::move(worker));
}

void ListFiller::reapWorkers() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void ListFiller::shutDown() {
    std::vector<Worker> workers;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_stop = true;
        m_queue.clear();
        m_batches.clear();
        workers.swap(m_workers);
    }
    if (!workers.empty() && m_listAlive)
        m_list->shutDown();
    for (Worker &worker : workers)
        worker.thread.join();
}

} // namespace yz
