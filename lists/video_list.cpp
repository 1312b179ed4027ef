#include "lists/video_list.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace yz {

VideoList::VideoList(ListKind kind, QObject *parent)
    : QAbstractTableModel(parent), m_kind(kind), m_selection(new QItemSelectionModel(this, this)),
      m_columns(kind == ListKind::Clip ? 4 : 3) {}

VideoList::~VideoList() {
    shutDown();
}

int VideoList::durationColumn() const {
    return m_kind == ListKind::Convert ? -1 : 2;
}

int VideoList::statusColumn() const {
    switch (m_kind) {
    case ListKind::Convert:
        return 2;
    case ListKind::Clip:
        return 3;
    default:
        return -1;
    }
}

QStringList VideoList::columnTitles() const {
    switch (m_kind) {
    case ListKind::Convert:
        return {QStringLiteral("序号"), QStringLiteral("原视频地址"), QStringLiteral("状态")};
    case ListKind::Merge1:
        return {QStringLiteral("序号"), QStringLiteral("原视频１的地址"), QStringLiteral("视频时长")};
    case ListKind::Merge2:
        return {QStringLiteral("序号"), QStringLiteral("原视频２的地址"), QStringLiteral("视频时长")};
    case ListKind::Clip:
        return {QStringLiteral("序号"), QStringLiteral("原视频地址"), QStringLiteral("时长"),
                QStringLiteral("状态")};
    }
    return {};
}

QList<int> VideoList::columnWidths() const {
    if (m_kind == ListKind::Clip)
        return {60, 703, 100, 100};
    return {60, 805, 100};
}

Qt::Alignment VideoList::columnAlignment(int column) const {
    return column >= 2 ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter);
}

int VideoList::rowCount(const QModelIndex &parent) const {
    if (parent.isValid())
        return 0;
    QMutexLocker locker(&m_dataMutex);
    return static_cast<int>(m_rows.size());
}

int VideoList::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant VideoList::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return itemText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columnAlignment(index.column()));
    return {};
}

QVariant VideoList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return columnTitles().value(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columnAlignment(section));
    return {};
}

Qt::ItemFlags VideoList::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------------------------------
// Cross-thread calls: the work runs on the list's thread while the caller waits. The
// caller gives up (and the work is dropped) once the list is shut down.

void VideoList::onOwner(std::function<void()> work) {
    onOwner<bool>(
        [work = std::move(work)] {
            work();
            return true;
        },
        false);
}

template <typename R> R VideoList::onOwner(std::function<R()> work, R fallback) {
    if (QThread::currentThread() == thread())
        return work();
    struct Call {
        std::optional<R> result;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    {
        QMutexLocker locker(&m_callMutex);
        if (m_closing)
            return fallback;
    }
    QMetaObject::invokeMethod(
        this,
        [this, call, work = std::move(work)] {
            {
                QMutexLocker locker(&m_callMutex);
                if (m_closing)
                    return;
            }
            R value = work();
            QMutexLocker locker(&m_callMutex);
            call->result = std::move(value);
            call->done = true;
            m_callDone.wakeAll();
        },
        Qt::QueuedConnection);
    QMutexLocker locker(&m_callMutex);
    while (!call->done && !m_closing)
        m_callDone.wait(&m_callMutex);
    return call->done ? std::move(*call->result) : fallback;
}

void VideoList::shutDown() {
    QMutexLocker locker(&m_callMutex);
    m_closing = true;
    m_callDone.wakeAll();
}

// ---------------------------------------------------------------------------------------
// Operations

int VideoList::itemCount() const {
    QMutexLocker locker(&m_dataMutex);
    return static_cast<int>(m_rows.size());
}

QString VideoList::itemText(int row, int column) const {
    QMutexLocker locker(&m_dataMutex);
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows.at(row).texts.value(column);
}

void VideoList::setItemText(int row, int column, const QString &text) {
    onOwner([=, this] {
        {
            QMutexLocker locker(&m_dataMutex);
            if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns)
                return;
            if (m_rows[row].texts[column] == text)
                return;
            m_rows[row].texts[column] = text;
        }
        const QModelIndex cell = index(row, column);
        Q_EMIT dataChanged(cell, cell);
    });
}

void VideoList::ensureVisible(int row) {
    if (row >= 0)
        Q_EMIT visibleRequested(row);
}

int VideoList::appendItem() {
    return insertItemAt(-1);
}

int VideoList::insertItemAt(int at) {
    return onOwner<int>(
        [=, this] {
            const int count = itemCount();
            const int row = (at < 0 || at > count) ? count : at;
            beginInsertRows(QModelIndex(), row, row);
            {
                QMutexLocker locker(&m_dataMutex);
                m_rows.insert(row, Row{QStringList(m_columns, QString()), m_nextId++});
            }
            endInsertRows();
            return row;
        },
        -1);
}

void VideoList::removeItem(int row) {
    removeItems({row});
}

void VideoList::clearAll() {
    onOwner([this] {
        beginResetModel();
        {
            QMutexLocker locker(&m_dataMutex);
            m_rows.clear();
        }
        endResetModel();
    });
}

int VideoList::firstSelected() const {
    const QList<int> rows = selectedIndices();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> VideoList::selectedIndices() const {
    auto self = const_cast<VideoList *>(this);
    return self->onOwner<QList<int>>(
        [this] {
            // Straight from the ranges: the views select whole rows, and asking the
            // selection model row by row is quadratic on long lists.
            QList<int> rows;
            const QItemSelection selection = m_selection->selection();
            for (const QItemSelectionRange &range : selection) {
                for (int row = range.top(); row <= range.bottom(); ++row)
                    rows.append(row);
            }
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            return rows;
        },
        {});
}

void VideoList::selectItem(int row) {
    onOwner([=, this] {
        if (row < 0 || row >= itemCount())
            return;
        m_selection->select(index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

void VideoList::deselectItem(int row) {
    onOwner([=, this] {
        if (row < 0 || row >= itemCount())
            return;
        m_selection->select(index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    });
}

void VideoList::selectAllItems() {
    onOwner([this] {
        const int count = itemCount();
        if (count == 0)
            return;
        m_selection->select(QItemSelection(index(0, 0), index(count - 1, m_columns - 1)),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

void VideoList::invertSelection() {
    onOwner([this] {
        // The gaps between the selected rows, as whole ranges.
        QItemSelection inverted;
        int next = 0;
        const auto addGap = [&](int end) {
            if (end > next)
                inverted.select(index(next, 0), index(end - 1, m_columns - 1));
        };
        for (int row : selectedIndices()) {
            addGap(row);
            next = row + 1;
        }
        addGap(itemCount());
        m_selection->clearSelection();
        m_selection->select(inverted, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

VideoList::Row VideoList::makeRow(const QString &path, const QString &duration) {
    Row row{QStringList(m_columns, QString()), m_nextId++};
    row.texts[SerialColumn] = QString::number(m_rows.size() + 1);
    row.texts[PathColumn] = path;
    if (durationColumn() >= 0)
        row.texts[durationColumn()] = duration;
    return row;
}

int VideoList::appendVideo(const QString &path, const QString &duration) {
    const QList<quint64> ids = appendVideosTracked({path}, {duration});
    return ids.isEmpty() ? -1 : indexOfId(ids.first());
}

void VideoList::appendVideos(const QStringList &paths, const QStringList &durations) {
    appendVideosTracked(paths, durations);
}

QList<quint64> VideoList::appendVideosTracked(const QStringList &paths, const QStringList &durations) {
    if (paths.isEmpty())
        return {};
    return onOwner<QList<quint64>>(
        [=, this] {
            QList<quint64> ids;
            ids.reserve(paths.size());
            const int first = itemCount();
            beginInsertRows(QModelIndex(), first, first + static_cast<int>(paths.size()) - 1);
            {
                QMutexLocker locker(&m_dataMutex);
                m_rows.reserve(m_rows.size() + paths.size());
                for (qsizetype i = 0; i < paths.size(); ++i) {
                    m_rows.append(makeRow(paths.at(i), durations.value(i)));
                    ids.append(m_rows.last().id);
                }
            }
            endInsertRows();
            return ids;
        },
        {});
}

int VideoList::removeItems(QList<int> rows) {
    return onOwner<int>(
        [rows, this]() mutable {
            const int count = itemCount();
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            rows.erase(std::remove_if(rows.begin(), rows.end(),
                                      [count](int row) { return row < 0 || row >= count; }),
                       rows.end());
            // Contiguous runs, highest first, so that every index still names the row it
            // named when the call was made.
            QList<std::pair<int, int>> runs;
            for (qsizetype i = rows.size() - 1; i >= 0; --i) {
                if (!runs.isEmpty() && runs.last().first == rows.at(i) + 1)
                    runs.last().first = rows.at(i);
                else
                    runs.append({rows.at(i), rows.at(i)});
            }
            if (runs.size() > 64) {
                removeScattered(rows);
                return static_cast<int>(rows.size());
            }
            for (const auto &[first, last] : runs) {
                beginRemoveRows(QModelIndex(), first, last);
                {
                    QMutexLocker locker(&m_dataMutex);
                    m_rows.remove(first, last - first + 1);
                }
                endRemoveRows();
            }
            return static_cast<int>(rows.size());
        },
        0);
}

void VideoList::removeScattered(const QList<int> &sortedRows) {
    // Many separate runs: one reset instead of a removal signal per run, which would
    // make the selection model and the views work quadratically. The selection of the
    // remaining rows is carried over.
    QList<int> kept = selectedIndices();
    QList<Row> remaining;
    remaining.reserve(m_rows.size() - sortedRows.size());
    QList<int> keptSelection;
    {
        QMutexLocker locker(&m_dataMutex);
        qsizetype next = 0;   // next row to remove
        qsizetype picked = 0; // next selected row to look at
        for (qsizetype row = 0; row < m_rows.size(); ++row) {
            if (next < sortedRows.size() && sortedRows.at(next) == row) {
                ++next;
            } else {
                while (picked < kept.size() && kept.at(picked) < row)
                    ++picked;
                if (picked < kept.size() && kept.at(picked) == row)
                    keptSelection.append(static_cast<int>(remaining.size()));
                remaining.append(m_rows.at(row));
            }
        }
    }
    beginResetModel();
    {
        QMutexLocker locker(&m_dataMutex);
        m_rows = std::move(remaining);
    }
    endResetModel();
    QItemSelection selection;
    for (int row : std::as_const(keptSelection))
        selection.select(index(row, 0), index(row, m_columns - 1));
    if (!selection.isEmpty())
        m_selection->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int VideoList::removeSelected() {
    return onOwner<int>([this] { return removeItems(selectedIndices()); }, 0);
}

void VideoList::moveItem(int from, int to) {
    onOwner([=, this]() mutable {
        if (from == to)
            return;
        const int count = itemCount();
        if (from < 0 || from >= count)
            return;
        if (to < 0 || to >= count)
            to = count - 1;
        deselectItem(to);
        if (from != to) {
            // beginMoveRows takes the destination as the row before which the row lands.
            const int destination = to > from ? to + 1 : to;
            beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination);
            {
                QMutexLocker locker(&m_dataMutex);
                m_rows.move(from, to);
            }
            endMoveRows();
        }
        selectItem(to);
    });
}

int VideoList::indexOfIdLocked(quint64 id) const {
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).id == id)
            return static_cast<int>(i);
    }
    return -1;
}

quint64 VideoList::itemId(int row) const {
    QMutexLocker locker(&m_dataMutex);
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : 0;
}

int VideoList::indexOfId(quint64 id) const {
    QMutexLocker locker(&m_dataMutex);
    return indexOfIdLocked(id);
}

bool VideoList::setItemTextById(quint64 id, int column, const QString &text) {
    return onOwner<bool>(
        [=, this] {
            int row = -1;
            {
                QMutexLocker locker(&m_dataMutex);
                row = indexOfIdLocked(id);
                if (row < 0 || column < 0 || column >= m_columns)
                    return false;
                if (m_rows[row].texts[column] == text)
                    return true;
                m_rows[row].texts[column] = text;
            }
            const QModelIndex cell = index(row, column);
            Q_EMIT dataChanged(cell, cell);
            return true;
        },
        false);
}

} // namespace yz
