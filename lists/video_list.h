#pragma once

#include <QAbstractTableModel>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

class QItemSelectionModel;

namespace yz {

/// The four lists of source videos.
enum class ListKind {
    Convert, ///< the conversion list: 序号, 原视频地址, 状态
    Merge1,  ///< first merge list: 序号, 原视频１的地址, 视频时长
    Merge2,  ///< second merge list: 序号, 原视频２的地址, 视频时长
    Clip,    ///< the clip list: 序号, 原视频地址, 时长, 状态
};

/// A list of source videos: rows of texts with a serial number, the source path, a
/// duration (merge and clip lists) and a status (conversion and clip lists), and a
/// selection. Every operation may be called from any thread: reads are served under a
/// lock, changes are carried out whole on the list's own thread before the call returns.
class VideoList final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoList)

public:
    explicit VideoList(ListKind kind, QObject *parent = nullptr);
    ~VideoList() override;

    ListKind kind() const { return m_kind; }

    static constexpr int SerialColumn = 0;
    static constexpr int PathColumn = 1;
    /// Column of the probed duration, or -1 (conversion list).
    int durationColumn() const;
    /// Column of the job status, or -1 (merge lists).
    int statusColumn() const;
    /// Header titles, widths in pixels and alignment of the columns.
    QStringList columnTitles() const;
    QList<int> columnWidths() const;
    Qt::Alignment columnAlignment(int column) const;

    // Model interface for the views.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    /// The row selection the views show; lives on the list's thread.
    QItemSelectionModel *selectionModel() const { return m_selection; }

    // List operations; indices are 0-based.
    int itemCount() const;
    /// Empty when the row or the column does not exist.
    QString itemText(int row, int column) const;
    /// No effect when the row does not exist.
    void setItemText(int row, int column, const QString &text);
    /// Asks the views to scroll the row into view.
    void ensureVisible(int row);
    int appendItem();
    /// At the end when index is negative or beyond the end; returns where the row went.
    int insertItemAt(int index);
    void removeItem(int row);
    void clearAll();
    int firstSelected() const;
    QList<int> selectedIndices() const;
    void selectItem(int row);
    void deselectItem(int row);

    /// Appends one whole row: serial number = the count after the append, path, duration.
    int appendVideo(const QString &path, const QString &duration = QString());
    /// Appends many rows at once (one update of the views).
    void appendVideos(const QStringList &paths, const QStringList &durations = QStringList());
    /// Removes the rows at the given indices; returns how many were removed.
    int removeItems(QList<int> rows);
    /// Removes the selected rows; returns how many were removed.
    int removeSelected();
    /// Moves the row to index `to` (the last row when `to` is negative); the moved row is
    /// selected afterwards and keeps its texts, serial number included. The row at `to`
    /// is deselected first. Nothing happens when `from` names no row or equals `to`.
    void moveItem(int from, int to);

    /// Selects every row (one selection change, fast for long lists).
    void selectAllItems();
    /// Selects exactly the rows that were not selected.
    void invertSelection();

    /// Rows carry an identity that stays with them through moves, so that a worker can
    /// fill a cell of a row it added although rows before it were removed or moved.
    /// 0 when the row does not exist.
    quint64 itemId(int row) const;
    /// Current index of the row with this identity; -1 once it was removed.
    int indexOfId(quint64 id) const;
    /// Writes a cell of the row with this identity wherever it stands now; false when
    /// the row is gone (or the list was shut down).
    bool setItemTextById(quint64 id, int column, const QString &text);
    /// Like appendVideos, giving the identities of the new rows in order (empty when the
    /// list was shut down).
    QList<quint64> appendVideosTracked(const QStringList &paths,
                                       const QStringList &durations = QStringList());

    /// From now on, calls from other threads no longer wait for this list's thread and
    /// have no effect. Called when the window goes away while workers still run.
    void shutDown();

Q_SIGNALS:
    void visibleRequested(int row);

private:
    template <typename R> R onOwner(std::function<R()> work, R fallback);
    void onOwner(std::function<void()> work);

    const ListKind m_kind;
    QItemSelectionModel *m_selection = nullptr;

    struct Row {
        QStringList texts;
        quint64 id = 0;
    };
    Row makeRow(const QString &path, const QString &duration); // serial number = count + 1
    int indexOfIdLocked(quint64 id) const;
    void removeScattered(const QList<int> &sortedRows);

    const int m_columns;
    mutable QMutex m_dataMutex; // guards m_rows and m_nextId for readers on other threads
    QList<Row> m_rows;
    quint64 m_nextId = 1;

    QMutex m_callMutex; // guards m_closing and the completion of cross-thread calls
    QWaitCondition m_callDone;
    bool m_closing = false;
};

} // namespace yz
