#pragma once

#include <QTableView>

namespace yz {

class VideoList;

/// Report-style view of a VideoList: full-row selection, grid lines, fixed column widths,
/// no sorting, no editing.
class VideoListView : public QTableView {
    Q_OBJECT

public:
    explicit VideoListView(VideoList *list, QWidget *parent = nullptr);

    VideoList *list() const { return m_list; }

    /// The row under a point in viewport coordinates, or -1.
    int itemAt(const QPoint &point) const;

private:
    VideoList *m_list;
};

} // namespace yz
