// yanzhou-cli as a user runs it: usage errors, the lines it prints for good and bad inputs,
// its exit status, --dry-run, info, a missing ffmpeg and Ctrl+C.

#include "support/test_support.h"
#include "tool/run_directory.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace yz::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

QProcessEnvironment cliEnvironment(const QString &runDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("YANZHOU_RUN_DIR"), runDir);
    return env;
}

CliRun runCli(const QStringList &args, const QProcessEnvironment &env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(cliPath(), args);
    p.waitForFinished(120000);
    CliRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

CliRun runCli(const QStringList &args, const RunDir &run) {
    return runCli(args, cliEnvironment(run.path()));
}

QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// Starts the CLI in a process group of its own, as a shell starts a foreground job, so a
// signal to the group stands for a Ctrl+C in the terminal.
void startInOwnGroup(QProcess &p, const QStringList &args, const RunDir &run) {
    p.setProcessEnvironment(cliEnvironment(run.path()));
    p.setStandardInputFile(QProcess::nullDevice());
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    p.setReadChannel(QProcess::StandardError);
    p.start(cliPath(), args);
}

bool waitForError(QProcess &p, QString &err, const QString &text) {
    while (!err.contains(text)) {
        if (!p.waitForReadyRead(30000))
            return false;
        err += QString::fromUtf8(p.readAllStandardError());
    }
    return true;
}

void ctrlC(const QProcess &p) {
    ::kill(-static_cast<pid_t>(p.processId()), SIGINT);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void usageErrors_data();
    void usageErrors();
    void help();
    void mixOfGoodAndBadInputs();
    void allGoodExitsZero();
    void dryRun();
    void info();
    void noFfmpeg();
    void ctrlCFinishesTheCurrentVideo();
    void secondCtrlCEndsTheToolAtOnce();
};

void TestCli::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing") << QStringList() << "no command given";
    QTest::newRow("unknown command") << QStringList{"transcode", "a.mp4"} << "unknown command \"transcode\"";
    QTest::newRow("no path") << QStringList{"convert", "--format", "mkv"}
                             << "needs at least one file or folder";
    QTest::newRow("unknown format") << QStringList{"convert", "--format", "avi", "a.mp4"}
                                    << "unknown format \"avi\"";
    QTest::newRow("format without value") << QStringList{"convert", "a.mp4", "--format"} << "--format needs";
    QTest::newRow("into without folder")
        << QStringList{"convert", "a.mp4", "--into"} << "--into needs a folder";
    QTest::newRow("into and beside") << QStringList{"convert", "--into", "/tmp/o", "--beside", "a.mp4"}
                                     << "exclude each other";
    QTest::newRow("unknown option") << QStringList{"convert", "--fast", "a.mp4"}
                                    << "unknown option \"--fast\"";
    QTest::newRow("convert option for info")
        << QStringList{"info", "--dry-run", "a.mp4"} << "unknown option \"--dry-run\"";
}

void TestCli::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    RunDir run;
    const CliRun r = runCli(args, run);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.err.contains("--help"));
    QCOMPARE(r.out, QString());
}

void TestCli::help() {
    RunDir run;
    const CliRun r = runCli({"--help"}, run);
    QCOMPARE(r.exitCode, 0);
    for (const char *text : {"yanzhou-cli convert [--format", "yanzhou-cli info PATH", "--delete-sources",
                             "--dry-run", "duration=HH:MM:SS size=WxH path=PATH", "Ctrl+C", "Exit status"})
        QVERIFY2(r.out.contains(QString::fromUtf8(text)), text);
}

// A good file, a corrupt one, a missing one and a folder (with a subfolder) of good ones:
// one line per video in list order, outputs only for the good ones, status 1.
void TestCli::mixOfGoodAndBadInputs() {
    RunDir run;
    const QString in = run.path() + "/in";
    const QString out = run.path() + "/out";
    QVERIFY(QDir().mkpath(in + "/folder/sub"));
    const QString good = in + "/good.mp4";
    const QString corrupt = in + "/corrupt.mp4";
    const QString missing = in + "/missing.mp4";
    QVERIFY(makeClip(good));
    QVERIFY(makeClip(in + "/folder/sub/deep.mov"));
    QVERIFY(makeClip(in + "/folder/top.mp4"));
    QVERIFY(writeFile(corrupt, QByteArray(2048, 'x')));

    const CliRun r = runCli({"convert", "--format", "mkv", "--into", out, "--delete-sources", good, corrupt,
                             missing, in + "/folder"},
                            run);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.lines(), (QStringList{"任务完成\t" + out + "/good.mkv\t" + good, "转换失败\t-\t" + corrupt,
                                     "文件不存在\t-\t" + missing,
                                     "任务完成\t" + out + "/deep.mkv\t" + in + "/folder/sub/deep.mov",
                                     "任务完成\t" + out + "/top.mkv\t" + in + "/folder/top.mp4"}));
    QCOMPARE(filesIn(out), (QStringList{"deep.mkv", "good.mkv", "top.mkv"}));
    QVERIFY(qAbs(mediaDuration(out + "/good.mkv") - 1.0) < 0.1);
    QVERIFY(!QFile::exists(good));
    QVERIFY(QFile::exists(corrupt));
    // Not a terminal: plain progress lines on standard error.
    QVERIFY2(r.err.contains("progress 5 / 5"), qPrintable(r.err));
}

void TestCli::allGoodExitsZero() {
    RunDir run;
    const QString clip = run.path() + "/clip one.mov";
    QVERIFY(makeClip(clip));
    const CliRun r = runCli({"convert", clip}, run);
    QCOMPARE(r.exitCode, 0);
    const QString target = run.path() + "/clip one_new.mp4";
    QCOMPARE(r.lines(), QStringList{"任务完成\t" + target + "\t" + clip});
    QCOMPARE(streamKinds(target), (QStringList{"Video", "Audio"}));
}

void TestCli::dryRun() {
    RunDir run;
    const QString ts = run.path() + "/a.ts";
    const QString odd = run.path() + "/say \"hi\".mp4";
    QVERIFY(writeFile(ts, "x"));
    QVERIFY(writeFile(odd, "y"));
    const QString out = run.path() + "/out";
    const CliRun r =
        runCli({"convert", "--dry-run", "--format=mkv", "--into", out, "--delete-sources", ts, odd}, run);
    QCOMPARE(r.exitCode, 0);
    const QString tool = yz::toolPath();
    QCOMPARE(r.lines(),
             (QStringList{tool + " -i \"" + ts + "\" -vcodec copy -y \"" + out + "/a.mkv\"",
                          tool + " -threads 0 -i \"" + odd + "\" -c copy -y -bsf:a aac_adtstoasc \"" + out +
                              "/say \"hi\".mkv\""}));
    QVERIFY(!QFileInfo::exists(out));
    QVERIFY(QFile::exists(ts) && QFile::exists(odd));
}

void TestCli::info() {
    RunDir run;
    const QString clip = run.path() + "/clip.mp4";
    QVERIFY(makeClip(clip, 2.0, QSize(160, 120)));
    const QString missing = run.path() + "/missing.mp4";

    CliRun r = runCli({"info", clip}, run);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.lines(), QStringList{"duration=00:00:02 size=160x120 path=" + clip});

    r = runCli({"info", clip, missing}, run);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.lines(), (QStringList{"duration=00:00:02 size=160x120 path=" + clip,
                                     "duration= size=0x0 path=" + missing}));
}

void TestCli::noFfmpeg() {
    QTemporaryDir runDir, emptyPath;
    QProcessEnvironment env = cliEnvironment(runDir.path());
    env.insert("PATH", emptyPath.path());
    const CliRun r = runCli({"convert", "a.mp4"}, env);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("ffmpeg not found"), qPrintable(r.err));
    QCOMPARE(r.out, QString());
}

// The first Ctrl+C lets the running conversion finish and starts no other.
void TestCli::ctrlCFinishesTheCurrentVideo() {
    RunDir run;
    QVERIFY(installScriptTool(QStringLiteral("sleep 1; exec '%1' \"$@\"").arg(ffmpegPath())));
    QStringList clips;
    for (int i = 1; i <= 3; ++i) {
        clips << run.path() + QStringLiteral("/c%1.mp4").arg(i);
        QVERIFY(makeClip(clips.last()));
    }
    const QString out = run.path() + "/out";
    QProcess p;
    startInOwnGroup(p, QStringList{"convert", "--into", out} + clips, run);
    QString err;
    QVERIFY(waitForError(p, err, "progress 1 / 3"));
    ctrlC(p);
    QVERIFY(p.waitForFinished(30000));
    err += QString::fromUtf8(p.readAllStandardError());

    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             "任务完成\t" + out + "/c1.mp4\t" + clips[0] + "\n");
    QVERIFY2(err.contains("stopping after the current video"), qPrintable(err));
    QVERIFY2(err.contains("2 of 3 videos not converted"), qPrintable(err));
    QCOMPARE(filesIn(out), QStringList{"c1.mp4"});
    QVERIFY(mediaDuration(out + "/c1.mp4") > 0.9);
}

// The second Ctrl+C ends the tool at once: its unfinished output goes, the source and an
// earlier output stay.
void TestCli::secondCtrlCEndsTheToolAtOnce() {
    RunDir run;
    const QString started = run.path() + "/started";
    QVERIFY(installScriptTool(
        QStringLiteral("printf partial > \"$last\"; : > '%1'; exec sleep 600").arg(started)));
    const QString clip = run.path() + "/clip.mp4";
    QVERIFY(makeClip(clip));
    const QString out = run.path() + "/out";
    QVERIFY(QDir().mkpath(out));
    QVERIFY(writeFile(out + "/clip.mp4", "earlier"));

    QProcess p;
    startInOwnGroup(p, {"convert", "--into", out, "--delete-sources", clip}, run);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 30000);
    QCOMPARE(filesIn(out).size(), 2);
    ctrlC(p);
    QString err;
    QVERIFY(waitForError(p, err, "stopping after the current video"));
    ctrlC(p);
    QVERIFY(p.waitForFinished(10000));

    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), "转换失败\t-\t" + clip + "\n");
    QCOMPARE(filesIn(out), QStringList{"clip.mp4"});
    QFile earlier(out + "/clip.mp4");
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QVERIFY(QFile::exists(clip));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
