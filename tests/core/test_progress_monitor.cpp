// The progress monitor: percentages from tool reports, clock texts, durations and frame
// sizes read from tool output, on texts and on real ffmpeg runs.

#include "support/test_support.h"
#include "tool/progress_monitor.h"
#include "tool/run_directory.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace yz;

class TestProgressMonitor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void toSeconds_data();
    void toSeconds();
    void reportProgress_data();
    void reportProgress();
    void completionStaysUntilNextItem();
    void signalsOfTheProgressArea();
    void durationFromOutput_data();
    void durationFromOutput();
    void readFrameSize_data();
    void readFrameSize();

    // Real ffmpeg.
    void probeDurations();
    void frameSizesOfPixelFormats_data();
    void frameSizesOfPixelFormats();
    void percentagesDuringARun();

private:
    QTemporaryDir m_dir;
};

void TestProgressMonitor::initTestCase() {
    QVERIFY(m_dir.isValid());
    qunsetenv("FAKE_TOOL_MODE");
}

void TestProgressMonitor::toSeconds_data() {
    QTest::addColumn<QString>("clock");
    QTest::addColumn<int>("seconds");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("hh:mm:ss") << "01:02:03" << 3723;
    QTest::newRow("minutes and seconds") << "00:01:40" << 100;
    QTest::newRow("hours above 99") << "123:04:05" << 123 * 3600 + 4 * 60 + 5;
    QTest::newRow("fraction ignored") << "00:00:07.96" << 7;
    QTest::newRow("no digits") << "N/A bitr" << 0;
}

void TestProgressMonitor::toSeconds() {
    QFETCH(QString, clock);
    QFETCH(int, seconds);
    QCOMPARE(yz::toSeconds(clock), seconds);
}

void TestProgressMonitor::reportProgress_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("percent");
    const QString run = status::Running;
    QTest::newRow("half way") << "00:01:40"
                              << "00:00:50" << run << 50;
    QTest::newRow("no such file keeps the percentage") << "00:01:40"
                                                       << "00:00:50" << status::NoSuchFile << 50;
    QTest::newRow("done is 100") << "00:01:40"
                                 << "00:00:50" << status::Done << 100;
    QTest::newRow("io error is 100") << "00:01:40"
                                     << "" << status::IoError << 100;
    QTest::newRow("0.57 shows 57") << "00:01:40"
                                   << "00:00:57" << run << 57;
    QTest::newRow("0.005 shows 1") << "00:03:20"
                                   << "00:00:01" << run << 1;
    QTest::newRow("0.004 shows 0") << "00:04:10"
                                   << "00:00:01" << run << 0;
    QTest::newRow("beyond the total") << "00:01:40"
                                      << "00:02:30" << run << 150;
    QTest::newRow("no total") << ""
                              << "00:00:10" << run << 0;
    QTest::newRow("long items") << "120:00:00"
                                << "60:00:00" << run << 50;
    QTest::newRow("missing tool") << "00:01:40"
                                  << "" << status::missingTool(QStringLiteral("/x/bin/ffmpeg")) << 0;
}

void TestProgressMonitor::reportProgress() {
    QFETCH(QString, total);
    QFETCH(QString, time);
    QFETCH(QString, status);
    QFETCH(int, percent);
    ProgressMonitor monitor;
    monitor.setTotalDuration(total);
    monitor.handler()({status, time});
    QCOMPARE(monitor.percent(), percent);
    QCOMPARE(monitor.lastStatus(), status);
}

void TestProgressMonitor::completionStaysUntilNextItem() {
    // ffmpeg prints more after the completion marker; the item stays complete.
    ProgressMonitor monitor;
    monitor.setTotalDuration(QStringLiteral("00:00:10"));
    monitor.reportProgress({status::Running, QStringLiteral("00:00:05")});
    QCOMPARE(monitor.percent(), 50);
    monitor.reportProgress({status::Done, QStringLiteral("00:00:09")});
    monitor.reportProgress({status::Running, QStringLiteral("00:00:09")});
    QCOMPARE(monitor.percent(), 100);
    QCOMPARE(monitor.lastStatus(), status::Running);

    // The next item's run starts from its own time again.
    monitor.setTotalDuration(QStringLiteral("00:00:20"));
    monitor.reportProgress({status::Running, QStringLiteral("00:00:05")});
    QCOMPARE(monitor.percent(), 25);
    monitor.reportProgress({status::IoError, QStringLiteral("00:00:05")});
    monitor.startItem(2, 2);
    monitor.reportProgress({status::Running, QStringLiteral("00:00:10")});
    QCOMPARE(monitor.percent(), 50);
}

void TestProgressMonitor::signalsOfTheProgressArea() {
    ProgressMonitor monitor;
    QSignalSpy percent(&monitor, &ProgressMonitor::percentChanged);
    QSignalSpy item(&monitor, &ProgressMonitor::itemChanged);
    QSignalSpy shown(&monitor, &ProgressMonitor::shown);
    QSignalSpy hidden(&monitor, &ProgressMonitor::hidden);

    monitor.showFor(3);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().first().toInt(), 3);
    QCOMPARE(percent.takeFirst().first().toInt(), 0);
    QCOMPARE(item.takeFirst(), (QList<QVariant>{1, 3}));

    // Emitted only when the value changes.
    monitor.setTotalDuration(QStringLiteral("00:00:10"));
    for (const char *t : {"00:00:01", "00:00:01", "00:00:02", "00:00:02"})
        monitor.reportProgress({status::Running, QString::fromLatin1(t)});
    QCOMPARE(percent.size(), 2);
    QCOMPARE(percent.at(0).first().toInt(), 10);
    QCOMPARE(percent.at(1).first().toInt(), 20);

    monitor.startItem(2, 3);
    QCOMPARE(item.takeFirst(), (QList<QVariant>{2, 3}));
    monitor.hide();
    QCOMPARE(hidden.size(), 1);
}

void TestProgressMonitor::durationFromOutput_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("duration");
    QTest::newRow("classic line") << "  Duration: 00:05:07.36, start: 0.000000, bitrate: 1 kb/s"
                                  << "00:05:07";
    QTest::newRow("chunk boundary inside") << "  Duration: 00:0\r\n5:07.36, start: 0.000000"
                                           << "00:05:07";
    QTest::newRow("hours above 99") << "Duration: 123:04:05.00, start"
                                    << "123:04:05";
    QTest::newRow("N/A") << "  Duration: N/A, start: 0.000000, bitrate: N/A"
                         << "";
    QTest::newRow("none") << "x.mp4: No such file or directory"
                          << "";
    QTest::newRow("no fraction dot") << "Duration: 00:00:05"
                                     << "";
}

void TestProgressMonitor::durationFromOutput() {
    QFETCH(QString, output);
    QFETCH(QString, duration);
    QCOMPARE(yz::durationFromOutput(output), duration);
}

void TestProgressMonitor::readFrameSize_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QSize>("size");
    QTest::newRow("plain yuv420p") << "Stream #0:0: Video: h264, yuv420p, 1280x720, 25 fps"
                                   << QSize(1280, 720);
    QTest::newRow("colour description")
        << "yuv420p(tv, bt709), 1920x1080 [SAR 1:1 DAR 16:9]" << QSize(1920, 1080);
    QTest::newRow("no video") << "Stream #0:0: Audio: aac (LC), 44100 Hz, stereo, fltp" << QSize(0, 0);
    QTest::newRow("codec tag is no size") << "Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), "
                                             "yuv420p(progressive), 320x240 [SAR 1:1 "
                                             "DAR 4:3], 18 kb/s"
                                          << QSize(320, 240);
    QTest::newRow("yuvj420p")
        << "Video: mjpeg (Baseline), yuvj420p(pc, bt470bg/unknown/unknown), 640x480, 25 fps"
        << QSize(640, 480);
    QTest::newRow("yuv420p10le")
        << "Video: hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/smpte2084, progressive), 640x360, SAR 1:1"
        << QSize(640, 360);
    QTest::newRow("rawvideo I420") << "Video: rawvideo (I420 / 0x30323449), yuv420p, 200x60, 25 fps"
                                   << QSize(200, 60);
    QTest::newRow("nv12") << "Video: rawvideo (NV12 / 0x3231564E), nv12, 96x64, SAR 1:1 DAR 3:2"
                          << QSize(96, 64);
    QTest::newRow("rgb24 with a bracket in the tag")
        << "Video: rawvideo (RGB[24] / 0x18424752), rgb24, 160x120" << QSize(160, 120);
    QTest::newRow("chunk boundary inside the size")
        << "Stream #0:0: Video: h264, yuv420p, 12\r\n80x720, 25 fps" << QSize(1280, 720);
    QTest::newRow("size at the end of a line")
        << "Stream #0:0: Video: h264, nv12, 352x288\r\n    Metadata:\r\n"
        << QSize(352, 288);
    QTest::newRow("input stream comes first")
        << "Input #0\r\n  Stream #0:0: Video: h264, yuv420p, 640x480, 25 fps\r\nOutput #0\r\n  Stream #0:0: "
           "Video: h264, yuv420p, 320x240, 25 fps"
        << QSize(640, 480);
    QTest::newRow("description without a size")
        << "Stream #0:0: Video: h264 (avc1 / 0x31637661), none\r\nStream #0:1: Audio: aac, 44100 Hz"
        << QSize(0, 0);
}

void TestProgressMonitor::readFrameSize() {
    QFETCH(QString, output);
    QFETCH(QSize, size);
    QCOMPARE(yz::readFrameSize(output), size);
}

void TestProgressMonitor::probeDurations() {
    const test::RunDir runDir; // bin/ffmpeg is the real ffmpeg
    const QString plain = m_dir.filePath(QStringLiteral("two.mp4"));
    QVERIFY(test::makeClip(plain, 2.0));
    QCOMPARE(probeDuration(plain), QStringLiteral("00:00:02"));

    // Blanks, a double quote and Chinese in the name: the path reaches the tool whole.
    const QString odd = m_dir.filePath(QStringLiteral("my clip \"一\" -y.mkv"));
    QVERIFY(test::makeClip(odd, 1.0));
    QCOMPARE(probeDuration(odd), QStringLiteral("00:00:01"));

    QCOMPARE(probeDuration(m_dir.filePath(QStringLiteral("absent.mp4"))), QString());
    const QString corrupt = m_dir.filePath(QStringLiteral("corrupt.mp4"));
    QFile f(corrupt);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray noise(32 * 1024, '\0');
    quint32 x = 777;
    for (char &c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    f.write(noise);
    f.close();
    QCOMPARE(probeDuration(corrupt), QString());
    // No tool at the program path.
    QCOMPARE(probeDuration(plain, m_dir.filePath(QStringLiteral("bin/ffmpeg"))), QString());
}

void TestProgressMonitor::frameSizesOfPixelFormats_data() {
    QTest::addColumn<QString>("pixelFormat");
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QSize>("size");
    QTest::newRow("yuv420p h264") << "yuv420p" << QStringList{"-c:v", "libx264"} << "mp4" << QSize(176, 144);
    QTest::newRow("yuvj420p mjpeg") << "yuvj420p" << QStringList{"-c:v", "mjpeg"} << "mkv" << QSize(208, 120);
    QTest::newRow("yuv420p10le ffv1")
        << "yuv420p10le" << QStringList{"-c:v", "ffv1"} << "mkv" << QSize(160, 96);
    QTest::newRow("nv12 raw") << "nv12" << QStringList{"-c:v", "rawvideo"} << "nut" << QSize(96, 64);
    QTest::newRow("rgb24 raw") << "rgb24" << QStringList{"-c:v", "rawvideo"} << "nut" << QSize(64, 48);
}

void TestProgressMonitor::frameSizesOfPixelFormats() {
    QFETCH(QString, pixelFormat);
    QFETCH(QStringList, encode);
    QFETCH(QString, container);
    QFETCH(QSize, size);
    const QString clip = m_dir.filePath(pixelFormat + QStringLiteral(" clip.") + container);
    QVERIFY(test::makeClip(clip, 1.0, size, pixelFormat, false, encode));
    // The collected output of a run that re-encodes the clip, as the merge job reads it.
    QString output;
    const ToolResult r = runTool(
        test::ffmpegPath(), ArgLine().opts(QStringLiteral("-i")).path(clip).opts(QStringLiteral("-f null -")),
        {}, &output);
    QVERIFY2(r.succeeded(), qPrintable(output));
    QVERIFY2(output.contains(pixelFormat), qPrintable(output));
    QCOMPARE(yz::readFrameSize(output), size);
}

void TestProgressMonitor::percentagesDuringARun() {
    // -re makes ffmpeg read at the clip's own speed, so it prints progress while it runs.
    const QString clip = m_dir.filePath(QStringLiteral("three.mkv"));
    QVERIFY(test::makeClip(clip, 3.0, QSize(64, 48)));
    ProgressMonitor monitor;
    monitor.setTotalDuration(probeDuration(clip, test::ffmpegPath()));
    QCOMPARE(monitor.totalDuration(), QStringLiteral("00:00:03"));
    QList<int> seen;
    connect(&monitor, &ProgressMonitor::percentChanged, &monitor, [&](int p) { seen.append(p); });
    const ToolResult r =
        runTool(test::ffmpegPath(),
                ArgLine().opts(QStringLiteral("-re -i")).path(clip).opts(QStringLiteral("-f null -")),
                monitor.handler());
    QVERIFY(r.succeeded());
    QVERIFY2(seen.size() >= 3, qPrintable(QStringLiteral("%1").arg(seen.size())));
    for (int i = 1; i < seen.size(); ++i)
        QVERIFY2(seen.at(i) > seen.at(i - 1), "percentages go up during a run");
    QVERIFY(std::any_of(seen.cbegin(), seen.cend(), [](int p) { return p > 0 && p < 100; }));
    QCOMPARE(seen.last(), 100);
    QCOMPARE(monitor.percent(), 100);
}

QTEST_APPLESS_MAIN(TestProgressMonitor)
#include "test_progress_monitor.moc"
