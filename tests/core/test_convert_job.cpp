// The conversion job: its argument lines and output names, real conversions checked with
// ffmpeg, what happens to sources and earlier outputs when a run fails, and stopping.

#include "jobs/convert/convert_job.h"
#include "jobs/convert/convert_lines.h"
#include "lists/video_list.h"
#include "support/test_support.h"
#include "tool/run_directory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace yz;
using namespace yz::test;

namespace {

struct ItemResult {
    int row;
    QString status;
    QString output;
};

// Runs the job to its end. Waits through a queued connection, so the status writes the
// worker posted before its end have reached the list when this returns.
QList<ItemResult> runJob(ConvertJob &job, const ConvertOptions &options, int timeoutMs = 60000) {
    QList<ItemResult> items;
    QObject::connect(&job, &ConvertJob::itemFinished, &job,
                     [&](int row, const QString &status, const QString &output) {
                         items.append({row, status, output});
                     });
    QEventLoop loop;
    QObject::connect(&job, &ConvertJob::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!job.start(options))
        return items;
    loop.exec();
    job.wait();
    QObject::disconnect(&job, &ConvertJob::itemFinished, &job, nullptr);
    return items;
}

QStringList statuses(const VideoList &list) {
    QStringList s;
    for (int row = 0; row < list.itemCount(); ++row)
        s.append(list.itemText(row, list.statusColumn()));
    return s;
}

QByteArray digest(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

// Files of a folder other than the given ones: left-over temporary outputs.
QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

ConvertOptions into(const QString &folder, const QString &format) {
    ConvertOptions o;
    o.beside = false;
    o.folder = folder;
    o.format = format;
    return o;
}

} // namespace

class TestConvertJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void targets_data();
    void targets();
    void realConversion_data();
    void realConversion();
    void failedRowsKeepSourcesAndTheJobGoesOn();
    void stagedFailures_data();
    void stagedFailures();
    void targetThatWouldBeTheSource();
    void sameNamesFromTwoFoldersKeepBothOutputs();
    void stopIsPerJob();
    void rowRemovedDuringTheRun();
    void abortRemovesUnfinishedOutputOnly();
    void dryRunTouchesNothing();
};

void TestConvertJob::lines_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("beside");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("beside, avi to mp4: stream copy")
        << "C:\\v\\clip.avi" << true << ""
        << "mp4"
        << " -threads 0 -i \"C:\\v\\clip.avi\" -c copy -y -bsf:a "
           "aac_adtstoasc \"C:\\v\\clip_new.mp4\"";
    QTest::newRow("into, ts to mkv: video copy")
        << "C:\\v\\clip.ts" << false << "D:\\out"
        << "mkv"
        << " -i \"C:\\v\\clip.ts\" -vcodec copy -y \"D:\\out\\clip.mkv\"";
    QTest::newRow("into, mp4 to ts: video copy") << "/v/clip.mp4" << false << "/out/"
                                                 << "ts"
                                                 << " -i \"/v/clip.mp4\" -vcodec copy -y \"/out/clip.ts\"";
    QTest::newRow("wmv to flv: forced format") << "C:\\v\\clip.wmv" << true << ""
                                               << "flv"
                                               << " -i \"C:\\v\\clip.wmv\" -f flv \"C:\\v\\clip_new.flv\"";
    QTest::newRow("upper-case .WMV to flv: forced format")
        << "/v/clip.WMV" << true << ""
        << "flv"
        << " -i \"/v/clip.WMV\" -f flv \"/v/clip_new.flv\"";
    QTest::newRow("mp4 to wmv: stream copy")
        << "/v/clip.mp4" << false << "/out"
        << "wmv"
        << " -threads 0 -i \"/v/clip.mp4\" -c copy -y -bsf:a aac_adtstoasc \"/out/clip.wmv\"";
    QTest::newRow("mp4 to mp3: forced format") << "/v/clip.mp4" << false << "/out"
                                               << "mp3"
                                               << " -i \"/v/clip.mp4\" -f mp3 \"/out/clip.mp3\"";
    QTest::newRow("ts to mp3: the ts form comes first")
        << "/v/clip.ts" << false << "/out"
        << "mp3"
        << " -i \"/v/clip.ts\" -vcodec copy -y \"/out/clip.mp3\"";
    QTest::newRow("blanks and a quote") << "/my videos/a \"b\" c.mov" << false << "/o u t"
                                        << "mkv"
                                        << " -threads 0 -i \"/my videos/a \"b\" c.mov\" -c copy -y -bsf:a "
                                           "aac_adtstoasc \"/o u t/a \"b\" c.mkv\"";
}

void TestConvertJob::lines() {
    QFETCH(QString, source);
    QFETCH(bool, beside);
    QFETCH(QString, folder);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    ConvertOptions o;
    o.beside = beside;
    o.folder = folder;
    o.format = format;
    const QString target = convertTarget(source, o);
    const ArgLine line = convertLine(source, format, target);
    QCOMPARE(line.text(), expected);
    // Whatever a name holds, the source and the output reach the tool as one argument each.
    const QStringList tokens = line.tokens();
    QVERIFY(tokens.contains(source));
    QCOMPARE(tokens.last(), target);
}

void TestConvertJob::targets_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("beside");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("expected");

    QTest::newRow("into another folder") << "/v/clip.mp4" << false << "/out"
                                         << "mp4" << QStringList() << "/out/clip.mp4";
    QTest::newRow("into the source's own folder, same format") << "/v/clip.mp4" << false << "/v"
                                                               << "mp4" << QStringList() << "/v/clip_new.mp4";
    QTest::newRow("into the source's folder written with a trailing slash")
        << "/v/clip.mp4" << false << "/v/"
        << "mp4" << QStringList() << "/v/clip_new.mp4";
    QTest::newRow("beside, the _new name is another row")
        << "/v/clip.mp4" << true << ""
        << "mp4" << QStringList{"/v/clip.mp4", "/v/clip_new.mp4"} << "/v/clip_new_new.mp4";
    QTest::newRow("into, the name is another row")
        << "/v/a/clip.avi" << false << "/v/b"
        << "mkv" << QStringList{"/v/a/clip.avi", "/v/b/clip.mkv"} << "/v/b/clip_new.mkv";
    QTest::newRow("into the source's folder, another format") << "/v/clip.mp4" << false << "/v"
                                                              << "mkv" << QStringList() << "/v/clip.mkv";
}

void TestConvertJob::targets() {
    QFETCH(QString, source);
    QFETCH(bool, beside);
    QFETCH(QString, folder);
    QFETCH(QString, format);
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    ConvertOptions o;
    o.beside = beside;
    o.folder = folder;
    o.format = format;
    QCOMPARE(convertTarget(source, o, rows), expected);
}

void TestConvertJob::realConversion_data() {
    QTest::addColumn<QString>("sourceExt");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("streams");
    QTest::addColumn<QStringList>("encode"); // how the source is made beyond its container's defaults

    const QStringList av{"Video", "Audio"};
    for (const char *format : {"mp4", "flv", "mov", "mkv", "ts", "wmv"})
        QTest::addRow("mp4 to %s", format) << "mp4" << QString::fromLatin1(format) << av << QStringList();
    QTest::newRow("mp4 to mp3") << "mp4"
                                << "mp3" << QStringList{"Audio"} << QStringList();
    QTest::newRow("ts to mkv") << "ts"
                               << "mkv" << av << QStringList();
    QTest::newRow("wmv to flv") << "wmv"
                                << "flv" << av << QStringList();
    // Sources whose audio is not AAC: the AAC header filter of the stream copy would refuse them.
    QTest::newRow("mkv with opus to mp4") << "mkv"
                                          << "mp4" << av << QStringList{"-c:a", "libopus"};
    QTest::newRow("avi with mp3 to mov") << "avi"
                                         << "mov" << av << QStringList();
}

void TestConvertJob::realConversion() {
    QFETCH(QString, sourceExt);
    QFETCH(QString, format);
    QFETCH(QStringList, streams);
    QFETCH(QStringList, encode);
    RunDir run;
    const QString source = run.path() + "/in/clip." + sourceExt;
    QVERIFY(QDir().mkpath(run.path() + "/in"));
    QVERIFY(makeClip(source, 1.0, QSize(160, 120), "yuv420p", true, encode));

    VideoList list(ListKind::Convert);
    list.appendVideo(source);
    ConvertJob job(&list);
    QSignalSpy hidden(job.monitor(), &ProgressMonitor::hidden);
    const QString folder = run.path() + "/out";
    const QList<ItemResult> items = runJob(job, into(folder, format));

    const QString target = folder + "/clip." + format;
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].status, status::Done);
    QCOMPARE(items[0].output, target);
    QCOMPARE(statuses(list), QStringList{status::Done});
    QCOMPARE(filesIn(folder), QStringList{"clip." + format}); // no temporary file left
    QVERIFY(QFile::exists(source));
    QVERIFY(qAbs(mediaDuration(target) - mediaDuration(source)) < 0.1);
    QCOMPARE(streamKinds(target), streams);
    QCOMPARE(hidden.size(), 1);
}

// A good, a corrupt and a missing source with "delete sources": only the converted source
// goes; each failure keeps its own status; every row is tried.
void TestConvertJob::failedRowsKeepSourcesAndTheJobGoesOn() {
    RunDir run;
    const QString good = run.path() + "/good.mp4";
    const QString corrupt = run.path() + "/corrupt.mp4";
    const QString missing = run.path() + "/missing.mp4";
    const QString good2 = run.path() + "/good2.mp4";
    QVERIFY(makeClip(good));
    QVERIFY(makeClip(good2));
    QVERIFY(writeFile(corrupt, QByteArray(4096, 'x')));

    VideoList list(ListKind::Convert);
    list.appendVideos({good, corrupt, missing, good2});
    ConvertJob job(&list);
    QSignalSpy items(job.monitor(), &ProgressMonitor::itemChanged);
    ConvertOptions o = into(run.path() + "/out", "mkv");
    o.deleteSources = true;
    const QList<ItemResult> results = runJob(job, o);

    QCOMPARE(statuses(list),
             (QStringList{status::Done, convertStatus::Failed, status::NoSuchFile, status::Done}));
    QCOMPARE(results.size(), 4);
    QCOMPARE(results[1].output, QString());
    QVERIFY(!QFile::exists(good));
    QVERIFY(!QFile::exists(good2));
    QVERIFY(QFile::exists(corrupt));
    QCOMPARE(filesIn(run.path() + "/out"), (QStringList{"good.mkv", "good2.mkv"}));
    QCOMPARE(items.last(), (QVariantList{4, 4}));
}

void TestConvertJob::stagedFailures_data() {
    QTest::addColumn<QString>("mode"); // fake tool mode; empty: no tool at all
    QTest::addColumn<QString>("status");

    QTest::newRow("non-zero exit") << "exit:1" << convertStatus::Failed;
    QTest::newRow("crash") << "crash" << convertStatus::Failed;
    QTest::newRow("success markers but no file") << "no-output" << convertStatus::Failed;
    QTest::newRow("no tool") << "" << QString();
}

// A run that fails in any way leaves the source, an earlier output and no temporary file.
void TestConvertJob::stagedFailures() {
    QFETCH(QString, mode);
    QFETCH(QString, status);
    RunDir run(mode.isEmpty() ? QString() : fakeToolPath());
    if (status.isEmpty())
        status = status::missingTool(toolPath());
    qputenv("FAKE_TOOL_MODE", mode.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("FAKE_TOOL_MODE"); });

    const QString source = run.path() + "/in/clip.mp4";
    const QString earlier = run.path() + "/in/clip_new.mp4";
    QVERIFY(QDir().mkpath(run.path() + "/in"));
    QVERIFY(writeFile(source, "source bytes"));
    QVERIFY(writeFile(earlier, "earlier output"));

    VideoList list(ListKind::Convert);
    list.appendVideo(source);
    ConvertJob job(&list);
    ConvertOptions o;
    o.deleteSources = true;
    const QList<ItemResult> results = runJob(job, o, 20000);

    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0].status, status);
    QCOMPARE(statuses(list), QStringList{status});
    QCOMPARE(filesIn(run.path() + "/in"), (QStringList{"clip.mp4", "clip_new.mp4"}));
    QFile s(source);
    QVERIFY(s.open(QIODevice::ReadOnly));
    QCOMPARE(s.readAll(), QByteArray("source bytes"));
    QFile e(earlier);
    QVERIFY(e.open(QIODevice::ReadOnly));
    QCOMPARE(e.readAll(), QByteArray("earlier output"));
}

// "Into" the source's own folder in the source's own format: the output gets another name,
// and the source is neither removed before the run nor overwritten by it.
void TestConvertJob::targetThatWouldBeTheSource() {
    RunDir run;
    const QString source = run.path() + "/clip.mp4";
    QVERIFY(makeClip(source));
    const QByteArray before = digest(source);

    VideoList list(ListKind::Convert);
    list.appendVideo(source);
    ConvertJob job(&list);
    const QList<ItemResult> results = runJob(job, into(run.path(), "mp4"));

    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0].status, status::Done);
    QCOMPARE(results[0].output, run.path() + "/clip_new.mp4");
    QCOMPARE(digest(source), before);
    QVERIFY(mediaDuration(results[0].output) > 0.9);
}

// Two sources named alike, from two folders, into one folder: both outputs stay.
void TestConvertJob::sameNamesFromTwoFoldersKeepBothOutputs() {
    RunDir run;
    QVERIFY(QDir().mkpath(run.path() + "/a") && QDir().mkpath(run.path() + "/b"));
    QVERIFY(makeClip(run.path() + "/a/clip.mp4", 1.0));
    QVERIFY(makeClip(run.path() + "/b/clip.mp4", 2.0));

    VideoList list(ListKind::Convert);
    list.appendVideo(run.path() + "/a/clip.mp4");
    list.appendVideo(run.path() + "/b/clip.mp4");
    ConvertJob job(&list);
    const QString out = run.path() + "/out";
    const QList<ItemResult> results = runJob(job, into(out, "mkv"));

    QCOMPARE(results.size(), 2);
    QCOMPARE(results[0].output, out + "/clip.mkv");
    QCOMPARE(results[1].output, out + "/clip_new.mkv");
    QVERIFY(qAbs(mediaDuration(results[0].output) - 1.0) < 0.1);
    QVERIFY(qAbs(mediaDuration(results[1].output) - 2.0) < 0.1);
}

// Job A is asked to stop while its first row runs, and job B starts after that: A finishes
// that row and starts no other; B, untouched by A's stop, converts all its rows.
void TestConvertJob::stopIsPerJob() {
    RunDir run;
    QStringList a, b;
    for (int i = 0; i < 3; ++i) {
        a << run.path() + QStringLiteral("/a%1.mp4").arg(i);
        b << run.path() + QStringLiteral("/b%1.mp4").arg(i);
        QVERIFY(makeClip(a.last()));
        QVERIFY(QFile::copy(a.last(), b.last()));
    }
    VideoList listA(ListKind::Convert), listB(ListKind::Convert);
    listA.appendVideos(a);
    listB.appendVideos(b);
    ConvertJob jobA(&listA), jobB(&listB);
    const ConvertOptions options = into(run.path() + "/out", "mkv");

    QSemaphore bStarted;
    bool bStartedOk = false;
    QObject::connect(
        &jobA, &ConvertJob::itemStarted, &jobA,
        [&](int row) {
            if (row != 0)
                return;
            jobA.requestStop(); // on A's worker, before its first run
            QMetaObject::invokeMethod(
                &jobB,
                [&] {
                    bStartedOk = jobB.start(options);
                    bStarted.release();
                },
                Qt::QueuedConnection);
            bStarted.acquire();
        },
        Qt::DirectConnection);

    QSignalSpy bDone(&jobB, &ConvertJob::finished);
    const QList<ItemResult> resultsA = runJob(jobA, options);
    QVERIFY(bDone.size() == 1 || bDone.wait(60000));
    jobB.wait();
    QCoreApplication::processEvents(); // deliver B's posted status writes

    QVERIFY(bStartedOk);
    QCOMPARE(resultsA.size(), 1);
    QCOMPARE(statuses(listA), (QStringList{status::Done, QString(), QString()}));
    QCOMPARE(statuses(listB), (QStringList{status::Done, status::Done, status::Done}));
}

// The row being converted is removed from the list: the job still converts every other
// row, and each status lands on its own row.
void TestConvertJob::rowRemovedDuringTheRun() {
    RunDir run;
    QStringList clips;
    for (const char *name : {"a", "b", "c"}) {
        clips << run.path() + QStringLiteral("/%1.mp4").arg(QLatin1String(name));
        QVERIFY(makeClip(clips.last()));
    }
    VideoList list(ListKind::Convert);
    list.appendVideos(clips);
    ConvertJob job(&list);
    QSemaphore removed;
    bool once = false;
    QObject::connect(
        &job, &ConvertJob::itemStarted, &job,
        [&] {
            if (std::exchange(once, true))
                return;
            QMetaObject::invokeMethod(
                &list,
                [&] {
                    list.removeItem(0);
                    removed.release();
                },
                Qt::QueuedConnection);
            removed.acquire();
        },
        Qt::DirectConnection);
    runJob(job, into(run.path() + "/out", "mkv"));

    QCOMPARE(list.itemText(0, VideoList::PathColumn), clips[1]);
    QCOMPARE(statuses(list), (QStringList{status::Done, status::Done}));
    QCOMPARE(filesIn(run.path() + "/out"), (QStringList{"a.mkv", "b.mkv", "c.mkv"}));
}

// A stop "now" ends the running tool; its unfinished output goes, the earlier output and
// the source stay, and no further row starts.
void TestConvertJob::abortRemovesUnfinishedOutputOnly() {
    RunDir run;
    const QString started = run.path() + "/started";
    QVERIFY(installScriptTool(
        QStringLiteral("printf partial > \"$last\"; : > '%1'; exec sleep 600").arg(started)));
    const QString source = run.path() + "/in/clip.mp4";
    const QString second = run.path() + "/in/next.mp4";
    QVERIFY(QDir().mkpath(run.path() + "/out"));
    QVERIFY(QDir().mkpath(run.path() + "/in"));
    QVERIFY(makeClip(source));
    QVERIFY(makeClip(second));
    QVERIFY(writeFile(run.path() + "/out/clip.mp4", "earlier output"));

    VideoList list(ListKind::Convert);
    list.appendVideos({source, second});
    ConvertJob job(&list);
    QSignalSpy done(&job, &ConvertJob::finished);
    QVERIFY(job.start(into(run.path() + "/out", "mp4")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
    QCOMPARE(filesIn(run.path() + "/out").size(), 2); // the earlier output and the partial one
    job.abortNow();
    QVERIFY(done.size() == 1 || done.wait(20000));
    job.wait();
    QCoreApplication::processEvents();

    QCOMPARE(statuses(list), (QStringList{convertStatus::Failed, QString()}));
    QCOMPARE(filesIn(run.path() + "/out"), QStringList{"clip.mp4"});
    QFile e(run.path() + "/out/clip.mp4");
    QVERIFY(e.open(QIODevice::ReadOnly));
    QCOMPARE(e.readAll(), QByteArray("earlier output"));
    QVERIFY(QFile::exists(source));
    QCOMPARE(toolProcesses::runningCount(), 0);
}

void TestConvertJob::dryRunTouchesNothing() {
    RunDir run{QString()}; // no tool needed
    const QString source = run.path() + "/clip.wmv";
    QVERIFY(writeFile(source, "x"));
    VideoList list(ListKind::Convert);
    list.appendVideo(source);
    ConvertJob job(&list);
    QSignalSpy planned(&job, &ConvertJob::commandPlanned);
    ConvertOptions o = into(run.path() + "/out", "flv");
    o.dryRun = true;
    o.deleteSources = true;
    runJob(job, o);

    QCOMPARE(planned.size(), 1);
    QCOMPARE(planned[0][1].toString(), toolPath());
    QCOMPARE(planned[0][2].toString(),
             QStringLiteral(" -i \"%1\" -f flv \"%2/out/clip.flv\"").arg(source, run.path()));
    QVERIFY(QFile::exists(source));
    QVERIFY(!QFileInfo::exists(run.path() + "/out"));
}

QTEST_GUILESS_MAIN(TestConvertJob)
#include "test_convert_job.moc"
