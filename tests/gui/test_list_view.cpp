// The list view's item actions (菜单一, double click) and the drag reordering of the merge
// lists driven by mouse events sent through the window, as a real pointer's would be.

#include "app/video_list_view.h"
#include "lists/video_list.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace yz;

namespace {

QStringList rows(const VideoList &list) {
    QStringList out;
    for (int i = 0; i < list.itemCount(); ++i)
        out << list.itemText(i, 0) + u' ' + list.itemText(i, 1);
    return out;
}

// A window holding a merge page: both merge lists, a button, and bare page background;
// a margin of window surface runs around the page.
struct MergePage {
    QWidget window;
    QWidget *page = new QWidget(&window);
    VideoList first{ListKind::Merge1};
    VideoList second{ListKind::Merge2};
    VideoListView *firstView = new VideoListView(&first, page);
    VideoListView *secondView = new VideoListView(&second, page);
    QPushButton *button = new QPushButton(QStringLiteral("other"), page);
    MergeListDrag *drag = new MergeListDrag(page);

    MergePage() {
        window.resize(1000, 640);
        page->setGeometry(20, 20, 960, 600);
        firstView->setGeometry(10, 10, 600, 200);
        secondView->setGeometry(10, 250, 600, 200);
        button->setGeometry(700, 10, 100, 30);
        drag->addList(firstView);
        drag->addList(secondView);
        for (const char *p : {"a", "b", "c", "d"})
            first.appendVideo(QString::fromLatin1(p));
        second.appendVideo(QStringLiteral("x"));
        second.appendVideo(QStringLiteral("y"));
        window.show();
    }
    QWindow *handle() const { return window.windowHandle(); }
    QPoint rowPoint(VideoListView *view, int row) const {
        const QRect cell = view->visualRect(view->model()->index(row, 1));
        return view->viewport()->mapTo(&window, cell.center());
    }
    QPoint belowRows(VideoListView *view) const {
        return view->viewport()->mapTo(&window, QPoint(100, view->viewport()->height() - 5));
    }
    QPoint background() const { return page->mapTo(&window, QPoint(800, 400)); }
    QPoint surface() const { return QPoint(5, 5); }
    QPoint onButton() const { return button->mapTo(&window, button->rect().center()); }

    void press(QPoint at, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(handle(), Qt::LeftButton, mods, at);
    }
    void move(QPoint at) { QTest::mouseMove(handle(), at); }
    void release(QPoint at) { QTest::mouseRelease(handle(), Qt::LeftButton, {}, at); }
    // Press, two small steps to start the drag, the way to the target, release.
    void dragTo(QPoint from, QPoint to) {
        press(from);
        move(from + QPoint(0, 12));
        move(from + QPoint(0, 20));
        move(to);
        release(to);
    }
};

bool forbiddenPointer() {
    return QGuiApplication::overrideCursor() &&
           QGuiApplication::overrideCursor()->shape() == Qt::ForbiddenCursor;
}

} // namespace

class TestListView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuAndDoubleClick() {
        VideoList list(ListKind::Convert);
        VideoListView view(&list);
        QList<QUrl> opened;
        view.setUrlOpener([&](const QUrl &url) { opened << url; });
        int removes = 0;
        int clears = 0;
        connect(&view, &VideoListView::removeSelectedRequested, this, [&] { ++removes; });
        connect(&view, &VideoListView::clearRequested, this, [&] { ++clears; });
        list.appendVideos({QStringLiteral("/v/a.mp4"), QStringLiteral("/w/x y/b.mkv")});
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QMenu *menu = view.contextMenu();
        QCOMPARE(menu->objectName(), QStringLiteral("菜单一"));
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts, QStringList({"播放原视频", "打开原视频文件夹", "-", "删除已选择", "清空表格"}));
        const QList<QAction *> actions = menu->actions();

        actions[0]->trigger(); // nothing selected: nothing opens
        list.selectItem(1);
        actions[0]->trigger();
        actions[1]->trigger();
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile("/w/x y/b.mkv"), QUrl::fromLocalFile("/w/x y/")}));
        actions[3]->trigger();
        actions[4]->trigger();
        QCOMPARE(removes, 1);
        QCOMPARE(clears, 1);

        opened.clear();
        const QPoint row0 = view.visualRect(list.index(0, 1)).center();
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row0);
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile("/v/a.mp4")}));
    }

    // Dragging down lands after the target row, up before it; the marker follows the
    // pointer while the drag runs and is gone afterwards.
    void dragWithinList() {
        MergePage m;
        QVERIFY(QTest::qWaitForWindowExposed(&m.window));
        QLabel *marker = m.page->findChild<QLabel *>(QStringLiteral("画板1"));
        QVERIFY(marker);
        QCOMPARE(marker->size(), QSize(0, 0));

        const QPoint from = m.rowPoint(m.firstView, 0);
        const QPoint to = m.rowPoint(m.firstView, 2);
        m.press(from);
        m.move(from + QPoint(0, 12));
        QVERIFY(!marker->isVisible()); // the first move only takes the text
        QCOMPARE(m.drag->dragText(), QStringLiteral("  1  a  "));
        m.move(to);
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->geometry(),
                 QRect(m.page->mapFrom(&m.window, to) + QPoint(10, 10), QSize(6 * 8, 12)));
        QVERIFY(!forbiddenPointer());
        m.release(to);
        QCOMPARE(rows(m.first), QStringList({"2 b", "3 c", "1 a", "4 d"}));
        QCOMPARE(m.first.selectedIndices(), QList<int>({2}));
        QVERIFY(!marker->isVisible());
        QVERIFY(!m.drag->isArmed());

        m.dragTo(m.rowPoint(m.firstView, 3), m.rowPoint(m.firstView, 0));
        QCOMPARE(rows(m.first), QStringList({"4 d", "2 b", "3 c", "1 a"}));

        m.dragTo(m.rowPoint(m.firstView, 0), m.belowRows(m.firstView));
        QCOMPARE(rows(m.first), QStringList({"2 b", "3 c", "1 a", "4 d"}));
        QCOMPARE(m.first.selectedIndices(), QList<int>({3}));

        // A plain click only selects.
        m.press(m.rowPoint(m.firstView, 1));
        m.release(m.rowPoint(m.firstView, 1));
        QCOMPARE(rows(m.first), QStringList({"2 b", "3 c", "1 a", "4 d"}));
        QCOMPARE(m.first.selectedIndices(), QList<int>({1}));
        QCOMPARE(marker->size(), QSize(0, 0));

        // With several rows selected, the topmost selected row moves.
        m.press(m.rowPoint(m.firstView, 3), Qt::ControlModifier);
        QCOMPARE(m.first.selectedIndices(), QList<int>({1, 3}));
        m.move(m.rowPoint(m.firstView, 3) + QPoint(0, -12));
        m.move(m.rowPoint(m.firstView, 2));
        m.move(m.rowPoint(m.firstView, 0));
        m.release(m.rowPoint(m.firstView, 0));
        QCOMPARE(rows(m.first), QStringList({"3 c", "2 b", "1 a", "4 d"}));
        QCOMPARE(m.first.selectedIndices(), QList<int>({0, 3}));
    }

    // Away from the lists: "not allowed" over controls and the window surface, cancel
    // over the page background; a release there moves nothing.
    void dragCancelled_data() {
        QTest::addColumn<int>("where");
        QTest::addColumn<bool>("forbiddenOnTheWay");
        QTest::newRow("page background") << 0 << false;
        QTest::newRow("other control") << 1 << true;
        QTest::newRow("window surface") << 2 << true;
    }
    void dragCancelled() {
        QFETCH(int, where);
        QFETCH(bool, forbiddenOnTheWay);
        MergePage m;
        QVERIFY(QTest::qWaitForWindowExposed(&m.window));
        const QPoint away = where == 0 ? m.background() : where == 1 ? m.onButton() : m.surface();
        const QPoint from = m.rowPoint(m.firstView, 1);
        m.press(from);
        m.move(from + QPoint(0, 12));
        m.move(from + QPoint(0, 20));
        m.move(away);
        QCOMPARE(forbiddenPointer(), forbiddenOnTheWay);
        QCOMPARE(m.drag->marker()->isVisible(), forbiddenOnTheWay);
        QCOMPARE(m.drag->isArmed(), forbiddenOnTheWay);
        m.move(m.rowPoint(m.firstView, 3)); // back over the list
        QVERIFY(!forbiddenPointer());
        m.move(away);
        m.release(away);
        QVERIFY(!forbiddenPointer());
        QVERIFY(!m.drag->marker()->isVisible());
        QCOMPARE(rows(m.first), QStringList({"1 a", "2 b", "3 c", "4 d"}));
    }

    // A release over a merge list moves that list's first selected row; with none
    // selected there, nothing moves (no empty row appears).
    void dropOnTheOtherList() {
        MergePage m;
        QVERIFY(QTest::qWaitForWindowExposed(&m.window));
        m.dragTo(m.rowPoint(m.firstView, 0), m.rowPoint(m.secondView, 1));
        QCOMPARE(rows(m.first), QStringList({"1 a", "2 b", "3 c", "4 d"}));
        QCOMPARE(rows(m.second), QStringList({"1 x", "2 y"}));

        m.second.selectItem(0);
        m.dragTo(m.rowPoint(m.firstView, 0), m.rowPoint(m.secondView, 1));
        QCOMPARE(rows(m.second), QStringList({"2 y", "1 x"}));
        QCOMPARE(rows(m.first), QStringList({"1 a", "2 b", "3 c", "4 d"}));

        // A press below the last row clears the selection: the drag moves nothing.
        m.dragTo(m.belowRows(m.firstView), m.rowPoint(m.firstView, 1));
        QCOMPARE(rows(m.first), QStringList({"1 a", "2 b", "3 c", "4 d"}));
    }
};

QTEST_MAIN(TestListView)
#include "test_list_view.moc"
