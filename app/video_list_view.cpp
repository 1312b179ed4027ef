#include "app/video_list_view.h"

#include "lists/video_list.h"

#include <QHeaderView>

namespace yz {

VideoListView::VideoListView(VideoList *list, QWidget *parent) : QTableView(parent), m_list(list) {
    setModel(list);
    setSelectionModel(list->selectionModel());
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setSortingEnabled(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    const QList<int> widths = list->columnWidths();
    for (int c = 0; c < widths.size(); ++c)
        setColumnWidth(c, widths.at(c));
    connect(list, &VideoList::visibleRequested, this, [this](int row) {
        if (row >= 0 && row < m_list->rowCount())
            scrollTo(m_list->index(row, 0));
    });
}

int VideoListView::itemAt(const QPoint &point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

} // namespace yz
