#include "lists/list_filler.h"
#include "lists/video_list.h"
#include "support/test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>

using namespace yz;

namespace {

QStringList column(const VideoList &list, int c) {
    QStringList out;
    for (int i = 0; i < list.itemCount(); ++i)
        out << list.itemText(i, c);
    return out;
}

// A probe that answers with the file's name after a pause, counting its calls.
struct SlowProbe {
    int pauseMs;
    std::shared_ptr<std::atomic_int> calls = std::make_shared<std::atomic_int>(0);
    QString operator()(const QString &path) const {
        ++*calls;
        QThread::msleep(pauseMs);
        return QFileInfo(path).baseName();
    }
};

} // namespace

class TestListFiller : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows are in at once in the given order; the window's thread keeps running its
    // timers while the probes run; each duration lands in its own row.
    void filesProbedOffThread() {
        VideoList list(ListKind::Merge1);
        ListFiller filler(&list, true);
        SlowProbe probe{40};
        filler.setProbe(probe);
        QSignalSpy finished(&filler, &ListFiller::batchFinished);
        QStringList paths;
        for (int i = 0; i < 30; ++i)
            paths << QStringLiteral("/v/d%1.mp4").arg(i, 2, 10, QLatin1Char('0'));

        const quint64 batch = filler.addFiles(paths);
        QVERIFY(batch != 0);
        QCOMPARE(column(list, 1), paths);
        QVERIFY2(list.itemText(29, 2).isEmpty(), "addFiles waited for the probes");

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(10);
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().value<quint64>(), batch);
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks))); // 30 x 40 ms of probing
        QStringList expected;
        for (const QString &path : paths)
            expected << QFileInfo(path).baseName();
        QCOMPARE(column(list, 2), expected);
        QCOMPARE(filler.pendingBatches(), 0);
    }

    // Rows removed before their turn are not probed; moved rows still get their own.
    void rowsChangedWhileProbing() {
        VideoList list(ListKind::Clip);
        ListFiller filler(&list, true);
        filler.setProbeThreads(1);
        QSemaphore gate;
        std::atomic_int calls = 0;
        filler.setProbe([&](const QString &path) {
            ++calls;
            gate.acquire();
            return QFileInfo(path).baseName();
        });
        QSignalSpy finished(&filler, &ListFiller::batchFinished);
        filler.addFiles({"/v/a.mp4", "/v/b.mp4", "/v/c.mp4", "/v/d.mp4"});
        QTRY_COMPARE(calls.load(), 1); // a is being probed
        list.removeItem(1);            // b goes before its turn
        list.moveItem(2, 0);           // d first
        gate.release(4);
        QVERIFY(finished.wait(10000));
        QCOMPARE(calls.load(), 3);
        QCOMPARE(column(list, 1), QStringList({"/v/d.mp4", "/v/a.mp4", "/v/c.mp4"}));
        QCOMPARE(column(list, 2), QStringList({"d", "a", "c"}));
        QCOMPARE(column(list, 0), QStringList({"4", "1", "3"}));
    }

    // A real folder scan with the real tool: scan order, durations, an unreadable file
    // keeps its row with an empty duration; the conversion list is never probed.
    void folderWithRealTool() {
        test::RunDir run;
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/m");
        QVERIFY(QDir().mkpath(root + QStringLiteral("/A/C")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/B")));
        QVERIFY(test::makeClip(root + QStringLiteral("/A/2.mkv"), 2.0));
        QVERIFY(test::makeClip(root + QStringLiteral("/A/C/3.ts"), 1.0));
        QVERIFY(test::makeClip(root + QStringLiteral("/1.mp4"), 3.0));
        QFile broken(root + QStringLiteral("/B/4.mp4"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a video");
        broken.close();

        VideoList clip(ListKind::Clip);
        ListFiller filler(&clip, true);
        QSignalSpy finished(&filler, &ListFiller::batchFinished);
        filler.addFolder(root);
        QVERIFY(finished.wait(30000));
        QCOMPARE(column(clip, 1),
                 QStringList({root + "/A/2.mkv", root + "/B/4.mp4", root + "/A/C/3.ts", root + "/1.mp4"}));
        QCOMPARE(column(clip, 2), QStringList({"00:00:02", "", "00:00:01", "00:00:03"}));
        QCOMPARE(column(clip, 0), QStringList({"1", "2", "3", "4"}));

        VideoList convert(ListKind::Convert);
        ListFiller plain(&convert, true);
        SlowProbe probe{0};
        plain.setProbe(probe);
        QSignalSpy plainFinished(&plain, &ListFiller::batchFinished);
        QCOMPARE(plain.addFiles({QStringLiteral("/x.mp4")}), quint64(0)); // nothing to wait for
        plain.addFolder(root);
        QVERIFY(plainFinished.wait(10000));
        QCOMPARE(convert.itemCount(), 5);
        QCOMPARE(probe.calls->load(), 0);

        plain.addFolder(tmp.path() + QStringLiteral("/missing"));
        QVERIFY(plainFinished.wait(10000)); // an empty scan still reports its end
        QCOMPARE(convert.itemCount(), 5);
    }

    // Shutting down while a probe runs and while the scan waits on the list's thread
    // (which is busy here, not running its event loop) ends promptly and reports nothing.
    void shutDownWhileBusy() {
        QTemporaryDir tmp;
        for (int i = 0; i < 50; ++i) {
            QFile f(tmp.path() + QStringLiteral("/f%1.mp4").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        VideoList list(ListKind::Merge2);
        ListFiller filler(&list, true);
        SlowProbe probe{100};
        filler.setProbe(probe);
        QSignalSpy finished(&filler, &ListFiller::batchFinished);
        filler.addFiles({QStringLiteral("/v/a.mp4"), QStringLiteral("/v/b.mp4")});
        filler.addFolder(tmp.path());
        QTRY_VERIFY(probe.calls->load() > 0);
        QThread::msleep(20); // the scan is now blocked on this thread
        QElapsedTimer timer;
        timer.start();
        filler.shutDown();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 0);
        QVERIFY(probe.calls->load() <= 3);
    }
};

QTEST_GUILESS_MAIN(TestListFiller)
#include "test_list_filler.moc"
