// The settings file: values by section and key, readable UTF-8 on disk, defaults for files
// that cannot be read, atomic writes that survive read-only files and many threads.

#include "tool/run_directory.h"
#include "tool/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

using namespace yz;

namespace {

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void roundTripIsReadableUtf8();
    void unreadableFilesGiveDefaults_data();
    void unreadableFilesGiveDefaults();
    void readOnlyFileStaysAsItIs();
    void threadsLoseNoWrite();
    void standardFileUnderRunDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("data/qvconfig.ini"));
}

void TestSettingsFile::roundTripIsReadableUtf8() {
    const SettingsFile settings(m_path);
    QCOMPARE(settings.read(QStringLiteral("批量转换视频"), QStringLiteral("保存方式"), QStringLiteral("b")),
             QStringLiteral("b"));
    // The first write creates the data folder.
    QVERIFY(settings.write(QStringLiteral("批量转换视频"), QStringLiteral("保存方式"), QStringLiteral("a")));
    QVERIFY(settings.write(QStringLiteral("批量转换视频"), QStringLiteral("保存位置"),
                           QStringLiteral("/home/用户/新 媒体")));
    QVERIFY(settings.write(QStringLiteral("批量剪辑视频"), QStringLiteral("z1"), QStringLiteral("黑体")));
    QVERIFY(settings.write(QStringLiteral("原视频"), QStringLiteral("打开位置1"), QStringLiteral("C:\\v\\")));
    // Rewriting a key replaces its value in place.
    QVERIFY(settings.write(QStringLiteral("批量转换视频"), QStringLiteral("保存方式"), QStringLiteral("b")));
    // A line break cannot split a value over two lines of the file.
    QVERIFY(settings.write(QStringLiteral("原视频"), QStringLiteral("打开位置2"),
                           QStringLiteral("a\nb=c\r\n[x]")));

    const SettingsFile again(m_path); // nothing cached: a new reader sees every write
    QCOMPARE(again.read(QStringLiteral("批量转换视频"), QStringLiteral("保存方式")), QStringLiteral("b"));
    QCOMPARE(again.read(QStringLiteral("批量转换视频"), QStringLiteral("保存位置")),
             QStringLiteral("/home/用户/新 媒体"));
    QCOMPARE(again.read(QStringLiteral("批量剪辑视频"), QStringLiteral("z1")), QStringLiteral("黑体"));
    QCOMPARE(again.read(QStringLiteral("原视频"), QStringLiteral("打开位置1")), QStringLiteral("C:\\v\\"));
    QVERIFY(!again.read(QStringLiteral("原视频"), QStringLiteral("打开位置2")).contains(u'\n'));
    QCOMPARE(again.read(QStringLiteral("x"), QStringLiteral("打开位置2"), QStringLiteral("none")),
             QStringLiteral("none"));
    // Same key in another section is another value.
    QCOMPARE(again.read(QStringLiteral("原视频"), QStringLiteral("保存方式"), QStringLiteral("d")),
             QStringLiteral("d"));

    const QString text = QString::fromUtf8(contents(m_path));
    QVERIFY2(text.contains(QStringLiteral("[批量转换视频]\n保存方式=b\n保存位置=/home/用户/新 媒体\n")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("[批量剪辑视频]\nz1=黑体\n")));
    QCOMPARE(text.count(QStringLiteral("保存方式")), 1);
    QCOMPARE(text.count(QStringLiteral("[批量转换视频]")), 1);
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("qvconfig.ini")});
}

void TestSettingsFile::unreadableFilesGiveDefaults_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("value"); // of [s] k, "default" when none is readable
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919) % 256);
    QTest::newRow("empty") << QByteArray() << "default";
    QTest::newRow("binary") << binary << "default";
    QTest::newRow("binary with a valid line") << QByteArray("[s]\nk=v\n") + binary << "default";
    QTest::newRow("GBK text keeps its values") << QByteArray("[s]\nk=\xc4\xe3\xba\xc3\n") << "你好";
    QTest::newRow("key outside a section") << QByteArray("k=v\n") << "default";
    QTest::newRow("unclosed section") << QByteArray("[s\nk=v\n") << "default";
    QTest::newRow("garbage around a good value") << QByteArray("@@@\n[s]\n=x\nnothing\nk = v \n]]\n") << "v";
    QTest::newRow("first of two wins, CR LF, BOM")
        << QByteArray("\xef\xbb\xbf[s]\r\nk=one\r\nk=two\r\n") << "one";
}

void TestSettingsFile::unreadableFilesGiveDefaults() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    QDir().mkpath(m_dir->filePath(QStringLiteral("data")));
    put(m_path, bytes);
    const SettingsFile settings(m_path);
    QCOMPARE(settings.read(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("default")), value);
    // A write turns the file into a readable one, keeping what could be read and a copy
    // of what could not.
    QVERIFY(settings.write(QStringLiteral("s"), QStringLiteral("k2"), QStringLiteral("新")));
    QCOMPARE(settings.read(QStringLiteral("s"), QStringLiteral("k2")), QStringLiteral("新"));
    QCOMPARE(settings.read(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("default")), value);
    const QString copy = m_path + QStringLiteral(".unreadable");
    QCOMPARE(QFile::exists(copy), bytes.contains('\0'));
    if (bytes.contains('\0'))
        QCOMPARE(contents(copy), bytes);
}

void TestSettingsFile::readOnlyFileStaysAsItIs() {
    const SettingsFile settings(m_path);
    QVERIFY(settings.write(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("old")));
    const QByteArray before = contents(m_path);
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!settings.write(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("new")));
    QVERIFY(!settings.write(QStringLiteral("s"), QStringLiteral("k2"), QStringLiteral("new")));
    QCOMPARE(settings.read(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("old"));
    QCOMPARE(contents(m_path), before);
    QVERIFY(!(QFile::permissions(m_path) & QFile::WriteOwner));
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestSettingsFile::threadsLoseNoWrite() {
    const SettingsFile settings(m_path);
    constexpr int kThreads = 8;
    constexpr int kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&settings, t] {
            const SettingsFile own(settings.path()); // every thread with its own object, as jobs do
            for (int k = 0; k < kKeys; ++k)
                own.write(QStringLiteral("线程%1").arg(t % 3), QStringLiteral("t%1k%2").arg(t).arg(k),
                          QStringLiteral("值%1").arg(t * 100 + k));
        });
    }
    for (std::thread &t : threads)
        t.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k)
            QCOMPARE(
                settings.read(QStringLiteral("线程%1").arg(t % 3), QStringLiteral("t%1k%2").arg(t).arg(k)),
                QStringLiteral("值%1").arg(t * 100 + k));
    }
    // No temporary file left beside it.
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("qvconfig.ini")});
}

void TestSettingsFile::standardFileUnderRunDirectory() {
    setRunDirectory(m_dir->path() + u'/');
    QCOMPARE(runDirectory(), m_dir->path());
    QCOMPARE(settingsPath(), m_dir->path() + QStringLiteral("/data/qvconfig.ini"));
    QVERIFY(toolPath().startsWith(m_dir->path() + QStringLiteral("/bin/ffmpeg")));
    QCOMPARE(SettingsFile::standard().path(), settingsPath());
    QVERIFY(SettingsFile::standard().write(QStringLiteral("批量合并视频"), QStringLiteral("保存位置"),
                                           QStringLiteral("/tmp/新媒体")));
    QCOMPARE(SettingsFile(m_path).read(QStringLiteral("批量合并视频"), QStringLiteral("保存位置")),
             QStringLiteral("/tmp/新媒体"));
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
