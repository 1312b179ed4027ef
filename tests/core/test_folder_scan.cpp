#include "lists/folder_scan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace yz;

namespace {

// Creates an empty file (and the folders above it) below root.
void touch(const QString &root, const QString &relative) {
    const QString path = root + u'/' + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList relativeTo(const QString &root, const QStringList &paths) {
    QStringList out;
    for (const QString &path : paths)
        out.append(path.mid(root.size() + 1));
    return out;
}

} // namespace

class TestFolderScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void videoExtensions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("video");
        for (const char *ext : {"mp4", "flv", "mov", "mkv", "wmv", "ts", "avi"})
            QTest::newRow(ext) << QStringLiteral("clip.") + QLatin1String(ext) << true;
        QTest::newRow("upper case") << QStringLiteral("5.MP4") << false;
        QTest::newRow("mixed case") << QStringLiteral("a.Mkv") << false;
        QTest::newRow("partial download") << QStringLiteral("movie.mp4.part") << false;
        QTest::newRow("two dots") << QStringLiteral("movie.backup.mp4") << true;
        QTest::newRow("text") << QStringLiteral("x.txt") << false;
        QTest::newRow("no extension") << QStringLiteral("mp4") << false;
        QTest::newRow("longer extension") << QStringLiteral("a.mp4v") << false;
        QTest::newRow("m2ts is not ts") << QStringLiteral("a.m2ts") << false;
    }
    void videoExtensions() {
        QFETCH(QString, name);
        QFETCH(bool, video);
        QCOMPARE(isVideoFile(name), video);
    }

    // m holds 1.mp4, x.txt and the subfolders A (2.avi and C with 3.ts) and B (4.mp4,
    // 5.MP4): direct subfolders first, then deeper ones, the chosen folder's own last.
    void scanOrder() {
        QTemporaryDir tmp;
        const QString m = tmp.path() + QStringLiteral("/m");
        for (const char *f : {"1.mp4", "x.txt", "A/2.avi", "A/C/3.ts", "B/4.mp4", "B/5.MP4", ".cache/6.mp4",
                              "A/.git/7.mp4", "B/D/.hidden/8.mp4", "B/D/E/9.mkv"})
            touch(m, QLatin1String(f));

        QCOMPARE(relativeTo(m, collectSubfolders(m)), QStringList({"A", "B", "A/C", "B/D", "B/D/E"}));
        QCOMPARE(relativeTo(m, findVideoFiles(m)),
                 QStringList({"A/2.avi", "B/4.mp4", "A/C/3.ts", "B/D/E/9.mkv", "1.mp4"}));

        // A chosen folder named .cache is scanned itself; only its dot-subfolders are skipped.
        touch(m, QStringLiteral(".cache/sub/10.ts"));
        touch(m, QStringLiteral(".cache/.tmp/11.ts"));
        QCOMPARE(relativeTo(m, findVideoFiles(m + QStringLiteral("/.cache"))),
                 QStringList({".cache/sub/10.ts", ".cache/6.mp4"}));
        // A trailing separator on the chosen folder gives the same paths.
        QCOMPARE(findVideoFiles(m + u'/'), findVideoFiles(m));
    }

    // Links back up the tree end the scan; every physical folder is visited once.
    void linkLoops() {
        QTemporaryDir tmp;
        const QString m = tmp.path() + QStringLiteral("/m");
        touch(m, QStringLiteral("A/a.mp4"));
        touch(m, QStringLiteral("B/b.mp4"));
        touch(m, QStringLiteral("own.mp4"));
        QVERIFY(QFile::link(m, m + QStringLiteral("/A/up")));                               // back to the top
        QVERIFY(QFile::link(m + QStringLiteral("/A"), m + QStringLiteral("/B/toA")));       // sideways
        QVERIFY(QFile::link(m + QStringLiteral("/B/self"), m + QStringLiteral("/B/self"))); // dangling
        const QString outside = tmp.path() + QStringLiteral("/outside");
        touch(outside, QStringLiteral("o.mp4"));
        QVERIFY(QFile::link(outside, m + QStringLiteral("/B/out")));

        QCOMPARE(relativeTo(m, findVideoFiles(m)),
                 QStringList({"A/a.mp4", "B/b.mp4", "B/out/o.mp4", "own.mp4"}));
    }

    void unreadableAndMissing() {
        QTemporaryDir tmp;
        const QString m = tmp.path();
        touch(m, QStringLiteral("A/a.mp4"));
        touch(m, QStringLiteral("Locked/l.mp4"));
        touch(m, QStringLiteral("Locked/Inner/i.mp4"));
        touch(m, QStringLiteral("z.mp4"));
        QFile::setPermissions(m + QStringLiteral("/Locked"), QFileDevice::Permissions());
        const QStringList found = relativeTo(m, findVideoFiles(m));
        QFile::setPermissions(m + QStringLiteral("/Locked"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (found.contains(QStringLiteral("Locked/l.mp4")))
            QSKIP("running with rights that ignore folder permissions");
        QCOMPARE(found, QStringList({"A/a.mp4", "z.mp4"}));

        QVERIFY(findVideoFiles(m + QStringLiteral("/gone")).isEmpty());
        QVERIFY(collectSubfolders(m + QStringLiteral("/gone")).isEmpty());
    }

    void stopEndsEarly() {
        QTemporaryDir tmp;
        touch(tmp.path(), QStringLiteral("A/a.mp4"));
        touch(tmp.path(), QStringLiteral("b.mp4"));
        std::atomic_bool stop = true;
        QVERIFY(findVideoFiles(tmp.path(), &stop).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestFolderScan)
#include "test_folder_scan.moc"
