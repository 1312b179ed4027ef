// Path and text helpers: Windows-style and native paths, texts cut from tool output, and
// the few file operations.

#include "tool/path_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace yz;

class TestPathHelpers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fileTitle_data();
    void fileTitle();
    void fileExtension_data();
    void fileExtension();
    void parentFolderAndJoin_data();
    void parentFolderAndJoin();
    void shortFormKeepsPaths();
    void textBetween_data();
    void textBetween();
    void textAfterLast_data();
    void textAfterLast();
    void leadingNumber_data();
    void leadingNumber();
    void fileOperations();
};

void TestPathHelpers::fileTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("windows path, two dots") << "C:\\v\\clip.part1.mp4"
                                            << "clip.part1"
                                            << "clip.part1.mp4";
    QTest::newRow("ends in a backslash") << "C:\\v\\"
                                         << ""
                                         << "";
    QTest::newRow("ends in a slash") << "/home/u/视频/"
                                     << ""
                                     << "";
    QTest::newRow("native path with blanks") << "/home/u/视频/a b.mkv"
                                             << "a b"
                                             << "a b.mkv";
    QTest::newRow("no folder") << "clip.mp4"
                               << "clip"
                               << "clip.mp4";
    QTest::newRow("drive and name") << "C:clip.mp4"
                                    << "clip"
                                    << "clip.mp4";
    QTest::newRow("dot in the folder only") << "C:\\v.d\\clip"
                                            << "clip"
                                            << "clip";
    QTest::newRow("mixed separators") << "C:/v\\w/clip.flv"
                                      << "clip"
                                      << "clip.flv";
}

void TestPathHelpers::fileTitle() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(yz::fileTitle(path), title);
    QCOMPARE(yz::fileTitle(path, true), name);
}

void TestPathHelpers::fileExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("dot in a folder") << "C:\\v.d\\clip"
                                     << "";
    QTest::newRow("case kept") << "C:\\v\\clip.MP4"
                               << ".MP4";
    QTest::newRow("last dot") << "/a/b.tar.gz"
                              << ".gz";
    QTest::newRow("native dot in a folder") << "/a.b/c"
                                            << "";
    QTest::newRow("blank after the dot") << "/a/clip.mp4 copy"
                                         << "";
    QTest::newRow("none") << "/a/clip"
                          << "";
}

void TestPathHelpers::fileExtension() {
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(yz::fileExtension(path), extension);
}

void TestPathHelpers::parentFolderAndJoin_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    QTest::newRow("no separator") << "clip.mp4"
                                  << "";
    QTest::newRow("windows") << "C:\\v\\clip.mp4"
                             << "C:\\v\\";
    QTest::newRow("native") << "/home/u/新媒体/a.mp4"
                            << "/home/u/新媒体/";
    QTest::newRow("folder with separator") << "/home/u/"
                                           << "/home/u/";
}

void TestPathHelpers::parentFolderAndJoin() {
    QFETCH(QString, path);
    QFETCH(QString, parent);
    QCOMPARE(yz::parentFolder(path), parent);
    // Joining the parent with the name gives the path back.
    if (!parent.isEmpty() && !yz::fileTitle(path, true).isEmpty())
        QCOMPARE(joinPath(parent, yz::fileTitle(path, true)), path);
    QCOMPARE(joinPath(QStringLiteral("/a"), QStringLiteral("b.mp4")), QStringLiteral("/a/b.mp4"));
    QCOMPARE(joinPath(QString(), QStringLiteral("b.mp4")), QStringLiteral("b.mp4"));
}

void TestPathHelpers::shortFormKeepsPaths() {
    // Linux has no short names: every path comes back as it was given.
    QTemporaryDir dir;
    const QString withBlank = dir.filePath(QStringLiteral("a folder/a b.mp4"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("a folder"))));
    QFile f(withBlank);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    for (const QString &p : {withBlank, QStringLiteral("/no/such/clip.mp4"),
                             QStringLiteral("/no such/a b.mp4"), QStringLiteral("C:\\v\\clip.mp4")})
        QCOMPARE(shortForm(p), p);
}

void TestPathHelpers::textBetween_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<QString>("between");
    const QString out =
        QStringLiteral("Input #0\r\n  Duration: 00:05:07.36, start: 0.000000, bitrate: 5 kb/s");
    QTest::newRow("duration") << out << "Duration: "
                              << "." << 1 << false << "00:05:07";
    QTest::newRow("start missing") << out << "Length: "
                                   << "." << 1 << false << "";
    QTest::newRow("end missing") << out << "Duration: "
                                 << "|" << 1 << false << "";
    QTest::newRow("end only before start") << "b.a"
                                           << "a"
                                           << "." << 1 << false << "";
    QTest::newRow("from a position") << "x=1;x=2;"
                                     << "x="
                                     << ";" << 4 << false << "2";
    QTest::newRow("position is 1-based") << "x=1;x=2;"
                                         << "x="
                                         << ";" << 1 << false << "1";
    QTest::newRow("quote placeholder") << "file \"a b.mp4\" end"
                                       << "#引号"
                                       << "#引号" << 1 << false << "a b.mp4";
    QTest::newRow("ignore case") << "DURATION: 1.5"
                                 << "duration: "
                                 << "." << 1 << true << "1";
    QTest::newRow("case matters by default") << "DURATION: 1.5"
                                             << "duration: "
                                             << "." << 1 << false << "";
}

void TestPathHelpers::textBetween() {
    QFETCH(QString, text);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(int, position);
    QFETCH(bool, ignoreCase);
    QFETCH(QString, between);
    QCOMPARE(yz::textBetween(text, start, end, position, ignoreCase), between);
}

void TestPathHelpers::textAfterLast_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("after");
    QTest::newRow("last x") << "1280x720x30"
                            << "x"
                            << "30";
    QTest::newRow("missing") << "1280x720"
                             << "y"
                             << "";
    QTest::newRow("marker at the end") << "1280x"
                                       << "x"
                                       << "";
    QTest::newRow("longer marker") << "a1280x720b1280x1080"
                                   << "1280x"
                                   << "1080";
}

void TestPathHelpers::textAfterLast() {
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(QString, after);
    QCOMPARE(yz::textAfterLast(text, marker), after);
}

void TestPathHelpers::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("number");
    QTest::newRow("blanks then digits") << "  720, 25 fps" << 720LL;
    QTest::newRow("no digits") << "x720" << 0LL;
    QTest::newRow("empty") << "" << 0LL;
    QTest::newRow("leading zeros") << "0042x" << 42LL;
    QTest::newRow("wide digits are no digits") << "１２" << 0LL;
}

void TestPathHelpers::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(qlonglong, number);
    QCOMPARE(yz::leadingNumber(text), number);
}

void TestPathHelpers::fileOperations() {
    QTemporaryDir dir;
    const QString nested = dir.filePath(QStringLiteral("新媒体/a b/c"));
    QVERIFY(ensureFolder(nested));
    QVERIFY(QFileInfo(nested).isDir());
    QVERIFY(ensureFolder(nested + u'/')); // already there

    const QString source = dir.filePath(QStringLiteral("source.txt"));
    const QString target = nested + QStringLiteral("/target.txt");
    QFile s(source);
    QVERIFY(s.open(QIODevice::WriteOnly));
    s.write("source");
    s.close();
    QVERIFY(copyFileNoReplace(source, target));
    // An existing target stays untouched.
    QVERIFY(s.open(QIODevice::WriteOnly | QIODevice::Truncate));
    s.write("changed");
    s.close();
    QVERIFY(!copyFileNoReplace(source, target));
    QFile t(target);
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), QByteArray("source"));
    t.close();

    QVERIFY(removeFile(target));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(removeFile(target)); // nothing there is no failure: the file is gone
}

QTEST_APPLESS_MAIN(TestPathHelpers)
#include "test_path_helpers.moc"
