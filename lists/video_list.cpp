#include "lists/video_list.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace yz {

VideoList::VideoList(ListKind kind, QObject *parent)
    : QAbstractTableModel(parent), m_kind(kind), m_selection(new QItemSelectionModel(this, this)) {}

VideoList::~VideoList() { shutDown(); }

int VideoList::durationColumn() const { return m_kind == ListKind::Convert ? -1 : 2; }

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
        return {QStringLiteral("序号"), QStringLiteral("原视频地址"), QStringLiteral("时长"), QStringLiteral("状态")};
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
    return parent.isValid() ? 0 : static_cast<int>(columnTitles().size());
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
    return m_rows.at(row).value(column);
}

void VideoList::setItemText(int row, int column, const QString &text) {
    onOwner([=, this] {
        {
            QMutexLocker locker(&m_dataMutex);
            if (row < 0 || row >= m_rows.size() || column < 0 || column >= columnCount())
                return;
            if (m_rows[row][column] == text)
                return;
            m_rows[row][column] = text;
        }
        const QModelIndex cell = index(row, column);
        Q_EMIT dataChanged(cell, cell);
    });
}

void VideoList::ensureVisible(int row) {
    if (row >= 0)
        Q_EMIT visibleRequested(row);
}

int VideoList::appendItem() { return insertItemAt(-1); }

int VideoList::insertItemAt(int at) {
    return onOwner<int>(
        [=, this] {
            const int count = itemCount();
            const int row = (at < 0 || at > count) ? count : at;
            beginInsertRows(QModelIndex(), row, row);
            {
                QMutexLocker locker(&m_dataMutex);
                m_rows.insert(row, QStringList(columnCount(), QString()));
            }
            endInsertRows();
            return row;
        },
        -1);
}

void VideoList::removeItem(int row) {
    onOwner([=, this] {
        if (row < 0 || row >= itemCount())
            return;
        beginRemoveRows(QModelIndex(), row, row);
        {
            QMutexLocker locker(&m_dataMutex);
            m_rows.removeAt(row);
        }
        endRemoveRows();
    });
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
            QList<int> rows;
            for (const QModelIndex &i : m_selection->selectedRows())
                rows.append(i.row());
            std::sort(rows.begin(), rows.end());
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

int VideoList::appendVideo(const QString &path, const QString &duration) {
    return onOwner<int>(
        [=, this] {
            const int row = itemCount();
            QStringList texts(columnCount(), QString());
            texts[SerialColumn] = QString::number(row + 1);
            texts[PathColumn] = path;
            if (durationColumn() >= 0)
                texts[durationColumn()] = duration;
            beginInsertRows(QModelIndex(), row, row);
            {
                QMutexLocker locker(&m_dataMutex);
                m_rows.append(texts);
            }
            endInsertRows();
            return row;
        },
        -1);
}

void VideoList::appendVideos(const QStringList &paths, const QStringList &durations) {
    if (paths.isEmpty())
        return;
    onOwner([=, this] {
        const int first = itemCount();
        const int columns = columnCount();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(paths.size()) - 1);
        {
            QMutexLocker locker(&m_dataMutex);
            m_rows.reserve(m_rows.size() + paths.size());
            for (qsizetype i = 0; i < paths.size(); ++i) {
                QStringList texts(columns, QString());
                texts[SerialColumn] = QString::number(m_rows.size() + 1);
                texts[PathColumn] = paths.at(i);
                if (durationColumn() >= 0)
                    texts[durationColumn()] = durations.value(i);
                m_rows.append(texts);
            }
        }
        endInsertRows();
    });
}

int VideoList::removeItems(QList<int> rows) {
    return onOwner<int>(
        [rows, this]() mutable {
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            int removed = 0;
            // Highest first, one contiguous run at a time, so that every index still names
            // the row it named when the call was made.
            qsizetype i = rows.size() - 1;
            while (i >= 0) {
                const int last = rows.at(i);
                int first = last;
                while (i - 1 >= 0 && rows.at(i - 1) == first - 1) {
                    --i;
                    first = rows.at(i);
                }
                --i;
                if (first < 0 || last >= itemCount())
                    continue;
                beginRemoveRows(QModelIndex(), first, last);
                {
                    QMutexLocker locker(&m_dataMutex);
                    m_rows.remove(first, last - first + 1);
                }
                endRemoveRows();
                removed += last - first + 1;
            }
            return removed;
        },
        0);
}

int VideoList::removeSelected() {
    return onOwner<int>([this] { return removeItems(selectedIndices()); }, 0);
}

void VideoList::moveItem(int from, int to) {
    onOwner([=, this]() mutable {
        const int count = itemCount();
        if (from == to)
            return;
        if (to < 0)
            to = count - 1;
        if (from < 0 || from >= count || to < 0 || to >= count || from == to)
            return;
        deselectItem(to);
        // beginMoveRows takes the destination as the row before which the row lands.
        const int destination = to > from ? to + 1 : to;
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination);
        {
            QMutexLocker locker(&m_dataMutex);
            m_rows.move(from, to);
        }
        endMoveRows();
        selectItem(to);
    });
}

} // namespace yz
