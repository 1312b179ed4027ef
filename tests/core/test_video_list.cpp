#include "lists/video_list.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

using namespace yz;

namespace {

// "serial path" of every row, e.g. {"1 a", "3 c"}.
QStringList rows(const VideoList &list) {
    QStringList out;
    for (int i = 0; i < list.itemCount(); ++i)
        out << list.itemText(i, VideoList::SerialColumn) + u' ' + list.itemText(i, VideoList::PathColumn);
    return out;
}

void fill(VideoList &list, const QStringList &paths) {
    for (const QString &path : paths)
        list.appendVideo(path);
}

} // namespace

class TestVideoList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void columns() {
        VideoList clip(ListKind::Clip);
        QCOMPARE(clip.columnTitles(), QStringList({"序号", "原视频地址", "时长", "状态"}));
        QCOMPARE(clip.columnWidths(), QList<int>({60, 703, 100, 100}));
        VideoList merge(ListKind::Merge2);
        QCOMPARE(merge.columnTitles(), QStringList({"序号", "原视频２的地址", "视频时长"}));
        QCOMPARE(merge.statusColumn(), -1);
        merge.appendVideo(QStringLiteral("a.mp4"), QStringLiteral("00:00:05"));
        QCOMPARE(merge.itemText(0, 2), QStringLiteral("00:00:05"));
        QCOMPARE(merge.itemText(0, 3), QString());
        QCOMPARE(merge.itemText(1, 1), QString());
        merge.setItemText(5, 1, QStringLiteral("x")); // no such row: nothing happens
        QCOMPARE(merge.itemCount(), 1);
    }

    // Serial numbers are the count after each append and are never renumbered.
    void serialNumbers() {
        VideoList list(ListKind::Convert);
        fill(list, {"a", "b", "c", "d", "e"});
        QCOMPARE(list.removeItems({3, 1, 3, 99, -2}), 2);
        QCOMPARE(rows(list), QStringList({"1 a", "3 c", "5 e"}));

        VideoList other(ListKind::Merge1);
        fill(other, {"a", "b", "c"});
        other.removeItem(1);
        other.appendVideos({QStringLiteral("d")});
        QCOMPARE(rows(other), QStringList({"1 a", "3 c", "3 d"}));
        other.clearAll();
        other.appendVideos({QStringLiteral("e"), QStringLiteral("f")});
        QCOMPARE(rows(other), QStringList({"1 e", "2 f"}));
    }

    void moveItem_data() {
        QTest::addColumn<QList<int>>("selectedBefore");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QList<int>>("selectedAfter");
        const QStringList unchanged{"1 a", "2 b", "3 c"};
        QTest::newRow("down onto the last")
            << QList<int>{} << 0 << 2 << QStringList{"2 b", "3 c", "1 a"} << QList<int>{2};
        QTest::newRow("up onto the first")
            << QList<int>{} << 2 << 0 << QStringList{"3 c", "1 a", "2 b"} << QList<int>{0};
        QTest::newRow("below the last row")
            << QList<int>{} << 0 << -1 << QStringList{"2 b", "3 c", "1 a"} << QList<int>{2};
        QTest::newRow("last row below the last") << QList<int>{} << 2 << -1 << unchanged << QList<int>{2};
        QTest::newRow("onto itself") << QList<int>{} << 1 << 1 << unchanged << QList<int>{};
        QTest::newRow("no row to move") << QList<int>{} << -1 << 1 << unchanged << QList<int>{};
        // The target row is deselected, other selected rows stay selected.
        QTest::newRow("others stay selected")
            << QList<int>{0, 2} << 1 << 2 << QStringList{"1 a", "3 c", "2 b"} << QList<int>{0, 2};
        QTest::newRow("target deselected")
            << QList<int>{0, 1} << 2 << 1 << QStringList{"1 a", "3 c", "2 b"} << QList<int>{0, 1};
    }
    void moveItem() {
        QFETCH(QList<int>, selectedBefore);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, expected);
        QFETCH(QList<int>, selectedAfter);
        VideoList list(ListKind::Merge1);
        fill(list, {"a", "b", "c"});
        for (int row : selectedBefore)
            list.selectItem(row);
        list.moveItem(from, to);
        QCOMPARE(rows(list), expected);
        QCOMPARE(list.selectedIndices(), selectedAfter);
    }

    void selection() {
        VideoList list(ListKind::Clip);
        list.selectAllItems(); // empty list: nothing to select, nothing breaks
        list.invertSelection();
        QCOMPARE(list.firstSelected(), -1);
        fill(list, {"a", "b", "c", "d", "e"});
        list.selectItem(1);
        list.selectItem(3);
        list.selectItem(-1);
        list.invertSelection();
        QCOMPARE(list.selectedIndices(), QList<int>({0, 2, 4}));
        list.selectAllItems();
        QCOMPARE(list.selectedIndices(), QList<int>({0, 1, 2, 3, 4}));
        list.deselectItem(0);
        QCOMPARE(list.firstSelected(), 1);
        QCOMPARE(list.removeSelected(), 4);
        QCOMPARE(rows(list), QStringList({"1 a"}));
    }

    // Ten thousand rows: bulk append, select all, invert and removing scattered rows all
    // stay well below a second together.
    void longList() {
        VideoList list(ListKind::Convert);
        QStringList paths;
        for (int i = 0; i < 10000; ++i)
            paths << QStringLiteral("/videos/clip%1.mp4").arg(i);
        list.appendVideos(paths);
        list.selectAllItems();
        QCOMPARE(list.selectedIndices().size(), 10000);
        for (int i = 0; i < 10000; i += 50)
            list.deselectItem(i);
        list.invertSelection();
        QCOMPARE(list.selectedIndices().size(), 200);
        QCOMPARE(list.firstSelected(), 0);
        QList<int> everyHundredth;
        for (int i = 0; i < 10000; i += 100)
            everyHundredth << i;
        QCOMPARE(list.removeItems(everyHundredth), 100);
        QCOMPARE(list.itemCount(), 9900);
        QCOMPARE(list.itemText(0, 0), QStringLiteral("2"));
        // The rows in between kept their selection: 50, 150, ... now one place up.
        QCOMPARE(list.selectedIndices().size(), 100);
        QCOMPARE(list.firstSelected(), 49);
        QCOMPARE(list.removeSelected(), 100);
        QCOMPARE(list.itemCount(), 9800);
    }

    // A row keeps its identity through moves; writes by identity land in the right row
    // and do nothing once the row is gone.
    void identities() {
        VideoList list(ListKind::Clip);
        const QList<quint64> ids = list.appendVideosTracked({"a", "b", "c"});
        QCOMPARE(ids.size(), 3);
        list.moveItem(0, 2);
        list.removeItem(0);
        QCOMPARE(list.indexOfId(ids.at(0)), 1);
        QVERIFY(list.setItemTextById(ids.at(0), 2, QStringLiteral("00:00:01")));
        QCOMPARE(list.itemText(1, 2), QStringLiteral("00:00:01"));
        QVERIFY(!list.setItemTextById(ids.at(1), 2, QStringLiteral("x")));
        QCOMPARE(list.itemId(7), quint64(0));
    }

    // Workers change the list while its own thread runs its event loop; each operation is
    // whole, so concurrent appends never share a serial number.
    void otherThreads() {
        VideoList list(ListKind::Merge1);
        QEventLoop loop; // a real event loop: QTest's waits sleep between event rounds
        std::atomic_int finished = 0;
        const auto worker = [&](const QString &prefix) {
            for (int i = 0; i < 200; ++i) {
                const int row = list.appendVideo(prefix + QString::number(i));
                list.setItemText(row, 2, QStringLiteral("00:00:01"));
            }
            list.selectItem(0);
            if (++finished == 2)
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        };
        std::thread one(worker, QStringLiteral("a"));
        std::thread two(worker, QStringLiteral("b"));
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(finished.load(), 2);
        one.join();
        two.join();
        QCOMPARE(list.itemCount(), 400);
        QSet<QString> serials;
        for (int i = 0; i < 400; ++i) {
            serials.insert(list.itemText(i, 0));
            QCOMPARE(list.itemText(i, 2), QStringLiteral("00:00:01"));
        }
        QCOMPARE(serials.size(), 400);
        QCOMPARE(list.firstSelected(), 0);
    }

    // A worker waiting on a list whose thread is busy is released by shutDown, and later
    // calls from other threads do nothing.
    void shutDownReleasesWorkers() {
        VideoList list(ListKind::Convert);
        std::atomic_int result = 0;
        std::thread worker([&] { result = list.appendVideo(QStringLiteral("x")) == -1 ? 1 : 2; });
        // This thread does not run its event loop, so the worker stays blocked until now.
        QTest::qSleep(50);
        list.shutDown();
        worker.join();
        QCOMPARE(result.load(), 1);
        std::thread late([&] { list.appendVideos({QStringLiteral("y")}); });
        late.join();
        QCoreApplication::processEvents();
        QCOMPARE(list.itemCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestVideoList)
#include "test_video_list.moc"
