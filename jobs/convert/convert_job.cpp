#include "jobs/convert/convert_job.h"

#include "jobs/convert/convert_lines.h"
#include "lists/video_list.h"
#include "tool/path_helpers.h"
#include "tool/progress_monitor.h"
#include "tool/run_directory.h"
#include "tool/tool_runner.h"

#include <QFileInfo>
#include <QThread>

namespace yz {

ConvertJob::ConvertJob(VideoList *list, QObject *parent) : QObject(parent), m_list(list) {}

ConvertJob::~ConvertJob() {
    requestStop();
    wait();
}

ConvertJob::State ConvertJob::state() const {
    QMutexLocker locker(&m_stateMutex);
    return m_state;
}

void ConvertJob::setState(State state) {
    {
        QMutexLocker locker(&m_stateMutex);
        if (m_state == state)
            return;
        m_state = state;
    }
    Q_EMIT stateChanged(state);
}

bool ConvertJob::start(const ConvertOptions &options) {
    {
        QMutexLocker locker(&m_stateMutex);
        if (m_state != State::Idle || !m_list || m_list->itemCount() == 0)
            return false;
        m_state = State::Running;
    }
    // The previous worker has said it is done; only its return is left to wait for.
    if (m_worker.joinable())
        m_worker.join();
    m_stopRequested = false;
    m_abortRequested = false;
    m_monitor.showFor(m_list->itemCount());
    Q_EMIT stateChanged(State::Running);
    m_worker = std::thread([this, options] { run(options); });
    return true;
}

void ConvertJob::requestStop() {
    {
        QMutexLocker locker(&m_stateMutex);
        if (m_state != State::Running)
            return;
        m_stopRequested = true;
        m_state = State::Stopping;
    }
    Q_EMIT stateChanged(State::Stopping);
}

void ConvertJob::abortNow() {
    requestStop();
    if (state() == State::Idle)
        return;
    m_abortRequested = true;
    toolProcesses::endAll();
}

void ConvertJob::wait() {
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

// Status writes are posted rather than waited for, so the worker never blocks on the
// list's thread and wait() may be called there. Posted calls keep their order. Rows are
// addressed by identity, so a row removed or moved during the run gets no stray status.
void ConvertJob::setStatus(quint64 id, const QString &text) {
    VideoList *list = m_list;
    const int column = list->statusColumn();
    if (column < 0)
        return;
    if (QThread::currentThread() == list->thread())
        list->setItemTextById(id, column, text);
    else
        QMetaObject::invokeMethod(
            list, [list, id, column, text] { list->setItemTextById(id, column, text); },
            Qt::QueuedConnection);
}

void ConvertJob::addRowPaths(PathSet &taken) const {
    const int count = m_list->itemCount();
    for (int row = 0; row < count; ++row)
        taken.insert(m_list->itemText(row, VideoList::PathColumn));
}

void ConvertJob::run(ConvertOptions options) {
    // The rows the list holds at the start, followed wherever they move.
    const int count = m_list->itemCount();
    QList<quint64> ids;
    ids.reserve(count);
    for (int row = 0; row < count; ++row) {
        ids.append(m_list->itemId(row));
        setStatus(ids.last(), QString());
    }
    if (!options.beside && !options.dryRun)
        ensureFolder(options.folder);

    // Every path of the list and every planned output is kept out of the targets. The list's
    // paths are read again only when rows were added or removed meanwhile.
    PathSet taken;
    int pathsSeenAt = -1;
    for (int i = 0; i < count && !m_stopRequested; ++i) {
        const int rows = m_list->itemCount();
        if (rows != pathsSeenAt) {
            addRowPaths(taken);
            pathsSeenAt = rows;
        }
        m_monitor.startItem(i + 1, rows);
        const int row = m_list->indexOfId(ids.at(i));
        if (row >= 0) // else removed while the job ran
            convertRow(ids.at(i), row, options, taken);
    }

    m_monitor.hide();
    setState(State::Idle);
    Q_EMIT finished();
}

void ConvertJob::convertRow(quint64 id, int row, const ConvertOptions &options, PathSet &taken) {
    const QString source = m_list->itemText(row, VideoList::PathColumn);
    if (source.isEmpty())
        return;
    // Two sources of the same name (from different folders) would meet in one target;
    // the second one gets its own name instead of replacing the first one's output.
    const QString target = convertTarget(source, options, taken);
    taken.insert(target);
    const QString program = toolPath();

    setStatus(id, convertStatus::Converting);
    if (QThread::currentThread() != m_list->thread())
        QMetaObject::invokeMethod(
            m_list, [list = m_list, row] { list->ensureVisible(row); }, Qt::QueuedConnection);
    Q_EMIT itemStarted(row, source, target);

    if (options.dryRun) {
        Q_EMIT commandPlanned(row, program, convertLine(source, options.format, target).text());
        setStatus(id, QString());
        return;
    }

    // The probe's stream list also tells whether the stream copy may use the AAC header
    // filter: ffmpeg refuses it for other audio (Opus, MP3, Vorbis, AC-3 ...).
    const QString probe = probeOutput(source, program);
    m_monitor.setTotalDuration(durationFromOutput(probe));
    const bool aacHeaderFilter = !hasNonAacAudio(probe);
    m_monitor.setLastStatus(convertStatus::Converting);
    if (m_abortRequested) {
        setStatus(id, QString());
        return;
    }

    // The tool writes beside the target under a temporary name; only a verified result
    // takes the target's place, so an earlier output survives any failure.
    const QString partial = temporaryOutput(target);
    QString failure;
    const OutputHandler handler = [this, &failure](const ToolReport &report) {
        m_monitor.reportProgress(report);
        if (report.status == status::IoError || report.status == status::NoSuchFile)
            failure = report.status;
    };
    const ToolResult result =
        runTool(program, convertLine(source, options.format, partial, aacHeaderFilter), handler);

    const QFileInfo made(partial);
    const bool ok = result.succeeded() && made.isFile() && made.size() > 0 && replaceFile(partial, target);
    QString status;
    if (ok) {
        status = status::Done;
    } else {
        removeFile(partial);
        if (result.end == ToolResult::End::Missing)
            status = status::missingTool(program);
        else if (!failure.isEmpty())
            status = failure;
        else if (!QFileInfo::exists(source))
            status = status::NoSuchFile;
        else
            status = convertStatus::Failed;
    }
    m_monitor.setLastStatus(status);
    setStatus(id, status);
    if (ok && options.deleteSources)
        removeFile(source);
    Q_EMIT itemFinished(row, status, ok ? target : QString());
}

} // namespace yz
