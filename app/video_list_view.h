#pragma once

#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QUrl>

#include <functional>

#include <QLabel>
class QMenu;

namespace yz {

class MergeListDrag;
class VideoList;

/// Report-style view of a VideoList: full-row selection, grid lines, fixed column widths,
/// no sorting, no editing; the selection shows only while the view has the focus.
///
/// Item actions: the context menu 菜单一 ("播放原视频", "打开原视频文件夹", "删除已选择",
/// "清空表格") and the double click, which plays the first selected video. The
/// conversion list also takes Ctrl+A (select all) and Delete (remove selected). Files
/// and folders dropped from a file manager are handed on through filesDropped. Removal
/// and clearing are only requested here: the list's commands carry them out, with the
/// count refresh that belongs to them.
class VideoListView : public QTableView {
    Q_OBJECT

public:
    /// Opens a file or folder with the desktop's associated program.
    using UrlOpener = std::function<void(const QUrl &)>;

    explicit VideoListView(VideoList *list, QWidget *parent = nullptr);
    ~VideoListView() override;

    VideoList *list() const { return m_list; }

    /// The row under a point in viewport coordinates, or -1.
    int itemAt(const QPoint &point) const;

    /// "全选" and "反选": change the selection and give the view the focus.
    void selectAllRows();
    void invertSelection();

    /// Hands the first selected row's video, or its folder, to the opener. Nothing
    /// happens when no row is selected.
    void playSource();
    void openSourceFolder();

    /// Replaces the desktop opener (tests).
    void setUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }

    /// The context menu 菜单一; built once, shown at the pointer on a right click.
    QMenu *contextMenu() const { return m_menu; }

    /// Set by MergeListDrag::addList: the merge lists reorder their rows by dragging.
    void setMergeDrag(MergeListDrag *drag) { m_drag = drag; }

Q_SIGNALS:
    /// Delete key (conversion list) or the menu's "删除已选择".
    void removeSelectedRequested();
    /// The menu's "清空表格".
    void clearRequested();
    /// Local files and folders dropped onto the view, each in the order of the drop.
    void filesDropped(const QStringList &files, const QStringList &folders);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString firstSelectedPath() const;
    void open(const QString &path);

    VideoList *m_list;
    QMenu *m_menu = nullptr;
    UrlOpener m_opener;
    QPointer<MergeListDrag> m_drag;
};

/// Drag reordering of the merge page's two lists. A left press on either list arms a
/// drag; once the pointer has moved, the grey marker 画板1 (a child of the page) follows
/// it 10 px right of and below the pointer, showing the row that would move. Releasing
/// over a merge list moves that list's first selected row to the row under the pointer
/// (to the end below the last row); with no selected row there it moves nothing.
/// Outside the merge lists the pointer shows "not allowed"; over the page background
/// the drag is cancelled, and a release anywhere else cancels it too.
class MergeListDrag final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MergeListDrag)

public:
    explicit MergeListDrag(QWidget *page, QObject *parent = nullptr);
    ~MergeListDrag() override;

    void addList(VideoListView *view);

    QLabel *marker() const { return m_marker.data(); }
    bool isArmed() const { return m_armed; }
    QString dragText() const { return m_dragText; }
    /// Hides the marker, restores the pointer, disarms.
    void reset();

    // Called by the views with the pointer's global position; each returns whether the
    // event belonged to a drag (the view then skips its own handling of it).
    void pressed(VideoListView *view, const QPoint &global);
    bool moved(VideoListView *view, const QPoint &global);
    bool released(VideoListView *view, const QPoint &global);

private:
    enum class Area { List, PageBackground, Elsewhere };
    Area areaAt(const QPoint &global, VideoListView **list) const;
    void showMarker(const QPoint &global);
    void setForbiddenPointer(bool on);

    QPointer<QWidget> m_page;
    QPointer<QLabel> m_marker;
    QList<QPointer<VideoListView>> m_views;
    bool m_grabbed = false; // left button held since a press on a merge list
    bool m_armed = false;
    bool m_moving = false; // moved past the drag distance since the press
    QPoint m_pressedAt;
    QString m_dragText;
    bool m_forbidden = false;
};

} // namespace yz
