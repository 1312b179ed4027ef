#include "app/video_list_view.h"

#include "lists/video_list.h"
#include "tool/path_helpers.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>

namespace yz {

namespace {

// Width of a text in the program's legacy 8-bit encoding (GBK): one byte per ASCII
// character, two for every other. The drag marker is six pixels wide per byte.
int legacyByteLength(const QString &text) {
    int bytes = 0;
    for (const QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : 2;
    return bytes;
}

bool droppedLocalUrls(const QMimeData *data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

VideoListView::VideoListView(VideoList *list, QWidget *parent)
    : QTableView(parent), m_list(list), m_opener([](const QUrl &url) { QDesktopServices::openUrl(url); }) {
    setModel(list);
    setSelectionModel(list->selectionModel());
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setSortingEnabled(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    const QList<int> widths = list->columnWidths();
    for (int c = 0; c < widths.size(); ++c)
        setColumnWidth(c, widths.at(c));

    // The selection shows only while the list has the focus; "全选" and "反选" give it.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);

    // Drops come from file managers only; rows are never dragged out.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragEnabled(false);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("菜单一"));
    connect(m_menu->addAction(QStringLiteral("播放原视频")), &QAction::triggered, this,
            &VideoListView::playSource);
    connect(m_menu->addAction(QStringLiteral("打开原视频文件夹")), &QAction::triggered, this,
            &VideoListView::openSourceFolder);
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("删除已选择")), &QAction::triggered, this,
            &VideoListView::removeSelectedRequested);
    connect(m_menu->addAction(QStringLiteral("清空表格")), &QAction::triggered, this,
            &VideoListView::clearRequested);

    connect(list, &VideoList::visibleRequested, this, [this](int row) {
        if (row >= 0 && row < m_list->rowCount())
            scrollTo(m_list->index(row, 0));
    });
}

VideoListView::~VideoListView() = default;

int VideoListView::itemAt(const QPoint &point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

void VideoListView::selectAllRows() {
    m_list->selectAllItems();
    setFocus(Qt::OtherFocusReason);
}

void VideoListView::invertSelection() {
    m_list->invertSelection();
    setFocus(Qt::OtherFocusReason);
}

QString VideoListView::firstSelectedPath() const {
    return m_list->itemText(m_list->firstSelected(), VideoList::PathColumn);
}

void VideoListView::open(const QString &path) {
    if (!path.isEmpty() && m_opener)
        m_opener(QUrl::fromLocalFile(path));
}

void VideoListView::playSource() {
    open(firstSelectedPath());
}

void VideoListView::openSourceFolder() {
    const QString path = firstSelectedPath();
    if (!path.isEmpty())
        open(parentFolder(path));
}

void VideoListView::keyPressEvent(QKeyEvent *event) {
    if (m_list->kind() == ListKind::Convert) {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        if (event->key() == Qt::Key_A && modifiers == Qt::ControlModifier) {
            selectAllRows();
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            Q_EMIT removeSelectedRequested();
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void VideoListView::contextMenuEvent(QContextMenuEvent *event) {
    m_menu->popup(event->globalPos());
    event->accept();
}

void VideoListView::mouseDoubleClickEvent(QMouseEvent *event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        playSource();
}

void VideoListView::mousePressEvent(QMouseEvent *event) {
    QTableView::mousePressEvent(event); // the press selects as usual first
    if (m_drag && event->button() == Qt::LeftButton) {
        // A press below the rows clears the selection now, not at the release as the
        // view would: a drag started there has no row to move.
        if (!indexAt(event->position().toPoint()).isValid() && event->modifiers() == Qt::NoModifier)
            clearSelection();
        m_drag->pressed(this, event->globalPosition().toPoint());
    }
}

void VideoListView::mouseMoveEvent(QMouseEvent *event) {
    // While a merge list drag is on, moves do not extend the selection.
    if (m_drag && m_drag->moved(this, event->globalPosition().toPoint()))
        return;
    QTableView::mouseMoveEvent(event);
}

void VideoListView::mouseReleaseEvent(QMouseEvent *event) {
    if (m_drag && event->button() == Qt::LeftButton &&
        m_drag->released(this, event->globalPosition().toPoint())) {
        // The drop (or the cancel) has set the selection. The view's own release would
        // now carry out a selection it deferred at the press (a press on a selected row),
        // so only its press state is ended.
        stopAutoScroll();
        setState(NoState);
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void VideoListView::dragEnterEvent(QDragEnterEvent *event) {
    if (droppedLocalUrls(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void VideoListView::dragMoveEvent(QDragMoveEvent *event) {
    if (droppedLocalUrls(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void VideoListView::dropEvent(QDropEvent *event) {
    if (!droppedLocalUrls(event->mimeData())) {
        event->ignore();
        return;
    }
    QStringList files;
    QStringList folders;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        const QString path = QDir::toNativeSeparators(info.absoluteFilePath());
        if (info.isDir())
            folders.append(path);
        else if (info.isFile())
            files.append(path);
    }
    event->acceptProposedAction();
    if (!files.isEmpty() || !folders.isEmpty())
        Q_EMIT filesDropped(files, folders);
}

// ---------------------------------------------------------------------------------------
// Drag reordering of the merge lists

MergeListDrag::MergeListDrag(QWidget *page, QObject *parent)
    : QObject(parent ? parent : page), m_page(page), m_marker(new QLabel(page)) {
    m_marker->setObjectName(QStringLiteral("画板1"));
    m_marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_marker->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128); background: transparent;"));
    QFont font = m_marker->font();
    font.setPixelSize(11);
    m_marker->setFont(font);
    m_marker->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_marker->setGeometry(0, 0, 0, 0);
    m_marker->hide();
}

MergeListDrag::~MergeListDrag() {
    setForbiddenPointer(false);
}

void MergeListDrag::addList(VideoListView *view) {
    m_views.append(view);
    view->setMergeDrag(this);
}

void MergeListDrag::reset() {
    if (m_marker) {
        m_marker->clear();
        m_marker->setGeometry(0, 0, 0, 0);
        m_marker->hide();
    }
    setForbiddenPointer(false);
    m_armed = false;
    m_moving = false;
    m_dragText.clear();
}

void MergeListDrag::setForbiddenPointer(bool on) {
    if (on == m_forbidden)
        return;
    m_forbidden = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::ForbiddenCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

MergeListDrag::Area MergeListDrag::areaAt(const QPoint &global, VideoListView **list) const {
    *list = nullptr;
    if (!m_page)
        return Area::Elsewhere;
    QWidget *top = m_page->window();
    QWidget *under = top->childAt(top->mapFromGlobal(global));
    if (!under)
        return Area::Elsewhere;
    for (const QPointer<VideoListView> &view : m_views) {
        if (view && (under == view || view->isAncestorOf(under))) {
            *list = view;
            return Area::List;
        }
    }
    // The page itself, or a plain layout container on it, is the page's background.
    const bool plainContainer = under->metaObject() == &QWidget::staticMetaObject;
    if (under == m_page || (plainContainer && m_page->isAncestorOf(under)))
        return Area::PageBackground;
    return Area::Elsewhere;
}

void MergeListDrag::pressed(VideoListView *view, const QPoint &global) {
    Q_UNUSED(view);
    reset();
    m_grabbed = true;
    m_armed = true;
    m_pressedAt = global;
}

bool MergeListDrag::moved(VideoListView *view, const QPoint &global) {
    if (!m_grabbed)
        return false;
    if (!m_armed)
        return true; // cancelled: the rest of this press changes nothing
    if (!m_moving) {
        if ((global - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
            return true;
        m_moving = true;
    }
    VideoListView *list = nullptr;
    switch (areaAt(global, &list)) {
    case Area::PageBackground:
        reset();
        return true;
    case Area::List:
        setForbiddenPointer(false);
        break;
    case Area::Elsewhere:
        setForbiddenPointer(true);
        break;
    }
    if (m_dragText.isEmpty()) {
        // The first move only takes the text: the row that would move, column by column.
        const VideoList *source = (list ? list : view)->list();
        const int row = source->firstSelected();
        for (int column = 0; column < source->columnCount(); ++column)
            m_dragText += QStringLiteral("  ") + source->itemText(row, column);
        return true;
    }
    showMarker(global);
    return true;
}

void MergeListDrag::showMarker(const QPoint &global) {
    if (!m_marker || !m_page)
        return;
    const QPoint at = m_page->mapFromGlobal(global) + QPoint(10, 10);
    m_marker->setText(m_dragText);
    m_marker->setGeometry(at.x(), at.y(), 6 * legacyByteLength(m_dragText), 12);
    m_marker->raise();
    m_marker->show();
}

bool MergeListDrag::released(VideoListView *view, const QPoint &global) {
    Q_UNUSED(view);
    if (!m_grabbed)
        return false;
    m_grabbed = false;
    const bool dragged = m_armed && m_moving;
    VideoListView *list = nullptr;
    const Area area = areaAt(global, &list);
    reset();
    if (!dragged || area != Area::List)
        return dragged; // a plain click, or a drag cancelled away from the lists
    VideoList *target = list->list();
    const int from = target->firstSelected();
    if (from < 0)
        return true; // no selected row in the list under the pointer: nothing moves
    target->deselectItem(from);
    target->moveItem(from, list->itemAt(list->viewport()->mapFromGlobal(global)));
    return true;
}

} // namespace yz
