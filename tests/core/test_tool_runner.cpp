// The tool runner: how argument lines reach the tool, how output is cut into chunks and
// read, how a run ends, and which processes the program may end.

#include "support/test_support.h"
#include "tool/tool_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <thread>

using namespace yz;

Q_DECLARE_METATYPE(QList<QByteArray>)

namespace {

struct Run {
    ToolResult result;
    QList<ToolReport> reports;
    QString output;
};

Run run(const QString &program, const ArgLine &args) {
    Run r;
    r.result = runTool(
        program, args, [&](const ToolReport &report) { r.reports.append(report); }, &r.output);
    return r;
}

// The fake tool in one of its modes; the mode argument is not passed on to it.
ArgLine fakeArgs(const QString &mode, const QStringList &tokens = {}) {
    ArgLine a;
    a.arg(QStringLiteral("--mode=") + mode);
    for (const QString &t : tokens)
        a.arg(t);
    return a;
}

// The arguments the echo mode of the fake tool printed.
QStringList echoed(const QString &output) {
    QStringList args;
    const QStringList lines = output.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (line.startsWith(QStringLiteral("arg[")) && eq > 0)
            args.append(line.mid(eq + 1));
    }
    return args;
}

QStringList statuses(const Run &r) {
    QStringList list;
    for (const ToolReport &rep : r.reports)
        list.append(rep.status);
    return list;
}

} // namespace

class TestToolRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // Pure parts: command line splitting, argument rendering, the output scanner.
    void splitCommandLine_data();
    void splitCommandLine();
    void argLineRendersClassicText();
    void scanner_data();
    void scanner();
    void completionMarkers();

    // Runs of the fake tool.
    void argumentsReachToolAsTokens_data();
    void argumentsReachToolAsTokens();
    void fileNameWithQuoteIsOneArgument();
    void workingFolderIsProgramFolder();
    void chunksAndLineEnds();
    void stagedOutput();
    void largeOutputInSmallChunks();
    void howRunsEnd_data();
    void howRunsEnd();
    void programsThatCannotRun();
    void fakeToolStandsInForFfmpeg();
    void endAllEndsOnlyToolRuns();
    void shutDownRefusesNewRuns();

    // Runs of the real ffmpeg.
    void realToolStatuses();

private:
    QTemporaryDir m_dir;
};

void TestToolRunner::initTestCase() {
    QVERIFY(m_dir.isValid());
    qunsetenv("FAKE_TOOL_MODE");
}

void TestToolRunner::splitCommandLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("tokens");
    QTest::newRow("leading blank yields nothing") << " -i a.mp4 -y" << QStringList{"-i", "a.mp4", "-y"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("only blanks") << "   " << QStringList{};
    QTest::newRow("quotes group blanks")
        << " -i \"C:\\my videos\\a b.mp4\" -vcodec copy \"out 1.mp4\""
        << QStringList{"-i", "C:\\my videos\\a b.mp4", "-vcodec", "copy", "out 1.mp4"};
    QTest::newRow("runs of blanks and tabs") << "a  \t b" << QStringList{"a", "b"};
    QTest::newRow("quote inside a token") << "-vf scale=\"1 2\"x" << QStringList{"-vf", "scale=1 2x"};
    QTest::newRow("empty quotes are an empty argument") << "a \"\" b" << QStringList{"a", "", "b"};
    QTest::newRow("escaped quote") << "a\\\"b" << QStringList{"a\"b"};
    QTest::newRow("backslashes before a quote halve") << "\"a\\\\\" b" << QStringList{"a\\", "b"};
    QTest::newRow("backslashes elsewhere stay") << "C:\\v\\a.mp4" << QStringList{"C:\\v\\a.mp4"};
    QTest::newRow("unclosed quote runs to the end") << "-i \"a b" << QStringList{"-i", "a b"};
    QTest::newRow("chinese text") << " -i \"视频 一.mp4\"" << QStringList{"-i", "视频 一.mp4"};
}

void TestToolRunner::splitCommandLine() {
    QFETCH(QString, line);
    QFETCH(QStringList, tokens);
    QCOMPARE(ArgLine::splitCommandLine(line), tokens);
    QCOMPARE(ArgLine::fromText(line).tokens(), tokens);
}

void TestToolRunner::argLineRendersClassicText() {
    const ArgLine a = ArgLine()
                          .opts(QStringLiteral("-i"))
                          .path(QStringLiteral("/v/a b.mp4"))
                          .opts(QStringLiteral("-vcodec  copy -y"))
                          .arg(QStringLiteral("drawtext=text=a b"))
                          .path(QStringLiteral("/o/x.mp4"));
    QCOMPARE(a.text(), QStringLiteral(" -i \"/v/a b.mp4\" -vcodec copy -y drawtext=text=a b \"/o/x.mp4\""));
    QCOMPARE(a.tokens(),
             (QStringList{"-i", "/v/a b.mp4", "-vcodec", "copy", "-y", "drawtext=text=a b", "/o/x.mp4"}));
    // The probe's way: the path stands bare in the text but stays one token.
    const ArgLine probe = ArgLine().opts(QStringLiteral("-i")).barePath(QStringLiteral("/v/a b.mp4"));
    QCOMPARE(probe.text(), QStringLiteral(" -i /v/a b.mp4"));
    QCOMPARE(probe.tokens().size(), 2);
    // A path holding a quote is still one token, whatever its rendering looks like.
    const ArgLine quoted = ArgLine().path(QStringLiteral("/v/say \"hi\".mp4"));
    QCOMPARE(quoted.tokens(), QStringList{QStringLiteral("/v/say \"hi\".mp4")});
}

void TestToolRunner::scanner_data() {
    // Each row: the bytes of successive reads, and per read that gives text the expected
    // text, status and time ("-" marks a read that gives no report).
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QStringList>("times");

    const QString run = status::Running;
    const QString done = status::Done;
    const QByteArray progress =
        "frame=   10 fps=0.0 q=28.0 size=       1kB time=00:01:23.45 bitrate= 200.0kbits/s";

    QTest::newRow("progress line") << QList<QByteArray>{progress}
                                   << QStringList{QString::fromLatin1(progress)} << QStringList{run}
                                   << QStringList{"00:01:23"};
    QTest::newRow("completion wins over io error")
        << QList<QByteArray>{"Input/output error video:1kB global headers:0kB muxing"}
        << QStringList{"Input/output error video:1kB global headers:0kB muxing"} << QStringList{done}
        << QStringList{""};
    QTest::newRow("completion in KiB") << QList<QByteArray>{"video:0KiB global headers:0KiB muxing overhead"}
                                       << QStringList{"video:0KiB global headers:0KiB muxing overhead"}
                                       << QStringList{done} << QStringList{""};
    QTest::newRow("io error") << QList<QByteArray>{"a.mp4: Input/output error\n"}
                              << QStringList{"a.mp4: Input/output error\r\n"} << QStringList{status::IoError}
                              << QStringList{""};
    QTest::newRow("no such file") << QList<QByteArray>{"a.mp4: No such file or directory\n"}
                                  << QStringList{"a.mp4: No such file or directory\r\n"}
                                  << QStringList{status::NoSuchFile} << QStringList{""};
    QTest::newRow("time carried, dash ignored")
        << QList<QByteArray>{"Duration: 00:00:02.00", progress, "size=0kB time=-577014:32:22.77 bitrate=-0.0",
                             "no time here"}
        << QStringList{"Duration: 00:00:02.00", QString::fromLatin1(progress),
                       "size=0kB time=-577014:32:22.77 bitrate=-0.0", "no time here"}
        << QStringList{run, run, run, run} << QStringList{"", "00:01:23", "00:01:23", "00:01:23"};
    QTest::newRow("time of 100 hours and more") << QList<QByteArray>{"size=1kB time=123:04:05.06 bitrate=1"}
                                                << QStringList{"size=1kB time=123:04:05.06 bitrate=1"}
                                                << QStringList{run} << QStringList{"123:04:05"};
    QTest::newRow("time N/A is taken as it stands")
        << QList<QByteArray>{"size=N/A time=N/A bitrate=N/A"} << QStringList{"size=N/A time=N/A bitrate=N/A"}
        << QStringList{run} << QStringList{"N/A bitr"};
    QTest::newRow("first time= of a chunk counts")
        << QList<QByteArray>{"time=00:00:01.00 x\rtime=00:00:02.00 y"}
        << QStringList{"time=00:00:01.00 x\rtime=00:00:02.00 y"} << QStringList{run}
        << QStringList{"00:00:01"};
    QTest::newRow("zero byte first gives nothing")
        << QList<QByteArray>{QByteArray("\0time=00:00:09.00", 17), "after"} << QStringList{"-", "after"}
        << QStringList{"-", run} << QStringList{"-", ""};
    QTest::newRow("zero byte cuts the chunk") << QList<QByteArray>{QByteArray("before\0time=00:00:09.00", 23)}
                                              << QStringList{"before"} << QStringList{run} << QStringList{""};
    QTest::newRow("empty read gives nothing") << QList<QByteArray>{"", "x"} << QStringList{"-", "x"}
                                              << QStringList{"-", run} << QStringList{"-", ""};
    QTest::newRow("LF becomes CR LF, blank CR loses its CR")
        << QList<QByteArray>{"a\nb\r\nframe=1    \rframe=2    \rc\r"}
        << QStringList{"a\r\nb\r\r\nframe=1    frame=2    c\r"} << QStringList{run} << QStringList{""};
    QTest::newRow("marker split across two reads")
        << QList<QByteArray>{"video:1kB global hea", "ders:0kB muxing overhead", "more text"}
        << QStringList{"video:1kB global hea", "ders:0kB muxing overhead", "more text"}
        << QStringList{run, done, run} << QStringList{"", "", ""};
    QTest::newRow("KiB marker split")
        << QList<QByteArray>{"global headers:0K", "iB muxing"}
        << QStringList{"global headers:0K", "iB muxing"} << QStringList{run, done} << QStringList{"", ""};
    QTest::newRow("io error split") << QList<QByteArray>{"Input/outp", "ut error"}
                                    << QStringList{"Input/outp", "ut error"}
                                    << QStringList{run, status::IoError} << QStringList{"", ""};
    QTest::newRow("marker reported once")
        << QList<QByteArray>{"global headers:0kB", "x"} << QStringList{"global headers:0kB", "x"}
        << QStringList{done, run} << QStringList{"", ""};
    QTest::newRow("time value split across reads")
        << QList<QByteArray>{"frame=1 time=00:0", "1:23.45 bitrate=1"}
        << QStringList{"frame=1 time=00:0", "1:23.45 bitrate=1"} << QStringList{run, run}
        << QStringList{"", "00:01:23"};
    QTest::newRow("time marker split across reads")
        << QList<QByteArray>{"frame=1 ti", "me=00:00:05.00 bitrate=1"}
        << QStringList{"frame=1 ti", "me=00:00:05.00 bitrate=1"} << QStringList{run, run}
        << QStringList{"", "00:00:05"};
    QTest::newRow("time of a previous chunk is not read again")
        << QList<QByteArray>{"time=00:00:05.00 b", "x time=-1"}
        << QStringList{"time=00:00:05.00 b", "x time=-1"} << QStringList{run, run}
        << QStringList{"00:00:05", "00:00:05"};
    const QByteArray chinese = QStringLiteral("输入文件").toUtf8(); // 12 bytes
    QTest::newRow("character split across reads")
        << QList<QByteArray>{chinese.left(4), chinese.mid(4)} << QStringList{"输", "入文件"}
        << QStringList{run, run} << QStringList{"", ""};
}

void TestToolRunner::scanner() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, statuses);
    QFETCH(QStringList, times);
    OutputScanner scanner;
    for (int i = 0; i < reads.size(); ++i) {
        QString text;
        ToolReport report;
        const bool gave = scanner.feed(reads.at(i), &text, &report);
        const QByteArray where = "read " + QByteArray::number(i);
        if (texts.at(i) == QStringLiteral("-")) {
            QVERIFY2(!gave, where);
            continue;
        }
        QVERIFY2(gave, where);
        QCOMPARE(text, texts.at(i));
        QCOMPARE(report.status, statuses.at(i));
        QCOMPARE(report.time, times.at(i));
    }
}

void TestToolRunner::completionMarkers() {
    QVERIFY(hasCompletionMarker(QStringLiteral("x global headers:0kB muxing")));
    QVERIFY(hasCompletionMarker(QStringLiteral("x global headers:0KiB muxing")));
    QVERIFY(!hasCompletionMarker(QStringLiteral("global headers:1kB")));
    QVERIFY(hasEmptyVideoMarker(QStringLiteral("video:0kB audio:12kB")));
    QVERIFY(hasEmptyVideoMarker(QStringLiteral("video:0KiB audio:12KiB")));
    QVERIFY(!hasEmptyVideoMarker(QStringLiteral("video:10kB audio:0kB")));
}

void TestToolRunner::argumentsReachToolAsTokens_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain") << " -i in.mp4 -vcodec copy -y out.mp4"
                           << QStringList{"-i", "in.mp4", "-vcodec", "copy", "-y", "out.mp4"};
    QTest::newRow("quoted paths with blanks")
        << " -i \"/tmp/my videos/a b.mp4\" -y \"/tmp/新 媒体/a b.mp4\""
        << QStringList{"-i", "/tmp/my videos/a b.mp4", "-y", "/tmp/新 媒体/a b.mp4"};
    QTest::newRow("filter value with quotes")
        << " -vf \"drawtext=text='a b'\"" << QStringList{"-vf", "drawtext=text='a b'"};
    QTest::newRow("escaped quote") << " a\\\"b" << QStringList{"a\"b"};
}

void TestToolRunner::argumentsReachToolAsTokens() {
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QString output;
    const ToolResult r =
        runTool(test::fakeToolPath(), QStringLiteral(" --mode=echo-args") + line, {}, &output);
    QVERIFY(r.succeeded());
    QCOMPARE(echoed(output), expected);
    QVERIFY(output.contains(QStringLiteral("argc=%1\r\n").arg(expected.size())));
}

void TestToolRunner::fileNameWithQuoteIsOneArgument() {
    // A name that would inject "-y" and a second output if it were pasted into a command line.
    const QString name = m_dir.filePath(QStringLiteral("clip \" -y \"evil.mp4"));
    const ArgLine args = fakeArgs(QStringLiteral("echo-args"))
                             .opts(QStringLiteral("-i"))
                             .path(name)
                             .opts(QStringLiteral("-vcodec copy -y"))
                             .path(m_dir.filePath(QStringLiteral("out.mp4")));
    const Run r = run(test::fakeToolPath(), args);
    QVERIFY(r.result.succeeded());
    QCOMPARE(echoed(r.output),
             (QStringList{"-i", name, "-vcodec", "copy", "-y", m_dir.filePath(QStringLiteral("out.mp4"))}));
}

void TestToolRunner::workingFolderIsProgramFolder() {
    const test::RunDir dir(test::fakeToolPath());
    QString output;
    runTool(dir.toolPath(), fakeArgs(QStringLiteral("cwd")), {}, &output);
    QCOMPARE(output, QStringLiteral("cwd=") + dir.path() + QStringLiteral("/bin\r\n\r\n"));

    // A relative program path still names the same program after the change of folder.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const ToolResult r = runTool(QStringLiteral("bin/ffmpeg"), fakeArgs(QStringLiteral("cwd")), {}, &output);
    QDir::setCurrent(previous);
    QVERIFY(r.succeeded());
    QCOMPARE(output, QStringLiteral("cwd=") + dir.path() + QStringLiteral("/bin\r\n\r\n"));
}

void TestToolRunner::chunksAndLineEnds() {
    // Each write of the tool arrives as one chunk, followed by CR LF in the output; standard
    // error arrives in the same stream.
    const Run r =
        run(test::fakeToolPath(), fakeArgs(QStringLiteral("chunks"), {"one\\n", "two  \\r", "three"}));
    QVERIFY(r.result.succeeded());
    QCOMPARE(r.output, QStringLiteral("one\r\n\r\ntwo  \r\nthree\r\n"));
    QCOMPARE(r.reports.size(), 3);

    // Output that ends inside what looks like a multi-byte character loses nothing.
    const Run cut = run(test::fakeToolPath(), fakeArgs(QStringLiteral("chunks"), {"abc\\xE4\\xB8"}));
    QVERIFY(cut.output.startsWith(QStringLiteral("abc\r\n")));
    QVERIFY(cut.output.endsWith(QStringLiteral("\r\n")));
    QVERIFY(cut.output.contains(QChar::ReplacementCharacter));

    QString merged;
    runTool(test::fakeToolPath(), fakeArgs(QStringLiteral("stdout-stderr")), {}, &merged);
    for (const char *line : {"stdout 0", "stderr 1", "stdout 2", "stderr 3"})
        QVERIFY2(merged.contains(QLatin1String(line)), line);
}

void TestToolRunner::stagedOutput() {
    // Through a real pipe: a marker cut by a read boundary, a zero byte, a negative time and
    // progress lines ending in blanks and CR.
    Run r = run(test::fakeToolPath(), fakeArgs(QStringLiteral("split-marker")));
    QVERIFY(r.reports.size() >= 2);
    QCOMPARE(r.reports.last().status, status::Done);
    QCOMPARE(statuses(r).count(status::Done), 1);

    r = run(test::fakeToolPath(), fakeArgs(QStringLiteral("zero-byte")));
    QVERIFY(!r.output.contains(QStringLiteral("time=00:00:02")));
    QVERIFY(r.output.contains(QStringLiteral("time=00:00:03")));
    QCOMPARE(r.reports.size(), 2);
    QCOMPARE(r.reports.last().time, QStringLiteral("00:00:03"));

    r = run(test::fakeToolPath(), fakeArgs(QStringLiteral("time-dash")));
    QCOMPARE(r.reports.size(), 2);
    QCOMPARE(r.reports.first().time, QString());
    QCOMPARE(r.reports.last().time, QStringLiteral("00:00:01"));

    r = run(test::fakeToolPath(), fakeArgs(QStringLiteral("cr-progress")));
    QVERIFY(r.result.succeeded());
    QCOMPARE(r.reports.last().status, status::Done);
    // Lines ending in blanks and CR lost the CR; the bare CR of the last one stays.
    QVERIFY(r.output.contains(QStringLiteral("speed=1.00x    \r\n")));
    QVERIFY(r.output.contains(QStringLiteral("speed=1.00x\r\r\n")));
    QCOMPARE(r.reports.at(r.reports.size() - 2).time, QStringLiteral("00:00:02"));
}

void TestToolRunner::largeOutputInSmallChunks() {
    const int bytes = 200000;
    const Run r = run(test::fakeToolPath(), fakeArgs(QStringLiteral("large:%1").arg(bytes)));
    QVERIFY(r.result.succeeded());
    QVERIFY2(r.reports.size() >= bytes / 1023, QByteArray::number(r.reports.size()));
    // Nothing lost: apart from the chunk separators every line of the tool is there.
    QString text = r.output;
    text.remove(QStringLiteral("\r\n"));
    QVERIFY(text.startsWith(QStringLiteral("line 0 of the large output")));
    QVERIFY(text.contains(QStringLiteral("line 5000 of the large output")));
    QVERIFY(text.contains(QStringLiteral("global headers:0kB")));
    QCOMPARE(r.reports.last().status, status::Done);
}

void TestToolRunner::howRunsEnd_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed");
    QTest::newRow("success") << "no-output" << int(ToolResult::End::Exited) << 0 << "global headers:0kB";
    QTest::newRow("non-zero exit") << "exit:3" << int(ToolResult::End::Exited) << 3 << "fake tool failing";
    QTest::newRow("exit 255") << "exit:255" << int(ToolResult::End::Exited) << 255 << "fake tool failing";
    QTest::newRow("crash") << "crash" << int(ToolResult::End::Crashed) << -1 << "about to crash";
}

void TestToolRunner::howRunsEnd() {
    QFETCH(QString, mode);
    QFETCH(int, end);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    const Run r = run(test::fakeToolPath(), fakeArgs(mode));
    QCOMPARE(int(r.result.end), end);
    if (exitCode >= 0)
        QCOMPARE(r.result.exitCode, exitCode);
    QCOMPARE(r.result.succeeded(), end == int(ToolResult::End::Exited) && exitCode == 0);
    // What the tool printed before it ended is reported and collected all the same.
    QVERIFY(r.output.contains(printed));
    QVERIFY(!r.reports.isEmpty());
}

void TestToolRunner::programsThatCannotRun() {
    // No file at the program path: one report, the status as output, nothing started.
    const QString program = m_dir.filePath(QStringLiteral("bin/ffmpeg"));
    Run r;
    r.output = QStringLiteral("left over");
    r.result = runTool(
        program, QStringLiteral(" -i a.mp4"), [&](const ToolReport &rep) { r.reports.append(rep); },
        &r.output);
    QCOMPARE(r.result.end, ToolResult::End::Missing);
    QVERIFY(!r.result.succeeded());
    QCOMPARE(r.output, program + QStringLiteral(" 不存在"));
    QCOMPARE(r.reports.size(), 1);
    QCOMPARE(r.reports.first().status, status::missingTool(program));
    QCOMPARE(r.reports.first().time, QString());

    // A file that exists but cannot be run: no report, no output.
    const QString plain = m_dir.filePath(QStringLiteral("not-a-program"));
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("just text\n");
    f.close();
    QVERIFY(QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner));
    r = run(plain, ArgLine().opts(QStringLiteral("-i x")));
    QCOMPARE(r.result.end, ToolResult::End::FailedToStart);
    QVERIFY(r.reports.isEmpty());
    QVERIFY(r.output.isEmpty());
}

void TestToolRunner::fakeToolStandsInForFfmpeg() {
    // As bin/ffmpeg of a run directory, driven by the environment, as the job tests use it.
    const test::RunDir dir(test::fakeToolPath());
    const QString source = m_dir.filePath(QStringLiteral("source \"a\".bin"));
    const QString target = m_dir.filePath(QStringLiteral("target b.bin"));
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, 'v'));
    f.close();
    qputenv("FAKE_TOOL_MODE", "copy-last");
    auto unset = qScopeGuard([] { qunsetenv("FAKE_TOOL_MODE"); });
    const Run r = run(dir.toolPath(), ArgLine()
                                          .opts(QStringLiteral("-i"))
                                          .path(source)
                                          .opts(QStringLiteral("-vcodec copy -y"))
                                          .path(target));
    QVERIFY(r.result.succeeded());
    QCOMPARE(statuses(r).count(status::Done), 1);
    QCOMPARE(r.reports.last().time, QStringLiteral("00:00:01"));
    QFile copy(target);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray(3000, 'v'));

    qputenv("FAKE_TOOL_MODE", "no-output");
    QFile::remove(target);
    const Run lying = run(dir.toolPath(), ArgLine().opts(QStringLiteral("-i")).path(source).path(target));
    QVERIFY(lying.result.succeeded());
    QVERIFY(!QFileInfo::exists(target));
}

void TestToolRunner::endAllEndsOnlyToolRuns() {
    // A process of the same program that this run did not start must survive.
    QProcess bystander;
    bystander.start(test::fakeToolPath(), {QStringLiteral("--mode=hang")});
    QVERIFY(bystander.waitForStarted());

    std::promise<void> firstReport;
    bool signalled = false;
    ToolResult result;
    std::thread worker([&] {
        result = runTool(test::fakeToolPath(), fakeArgs(QStringLiteral("hang")), [&](const ToolReport &) {
            if (!std::exchange(signalled, true))
                firstReport.set_value();
        });
    });
    firstReport.get_future().wait(); // the run is under way: the tool printed its first line
    QCOMPARE(toolProcesses::runningCount(), 1);
    toolProcesses::endAll();
    worker.join();

    QCOMPARE(result.end, ToolResult::End::Killed);
    QCOMPARE(toolProcesses::runningCount(), 0);
    QVERIFY2(!bystander.waitForFinished(300), "a process the runner did not start was ended");
    QCOMPARE(bystander.state(), QProcess::Running);
    bystander.kill();
    bystander.waitForFinished();
}

void TestToolRunner::shutDownRefusesNewRuns() {
    toolProcesses::shutDown();
    QString output;
    const ToolResult refused =
        runTool(test::fakeToolPath(), fakeArgs(QStringLiteral("echo-args")), {}, &output);
    QCOMPARE(refused.end, ToolResult::End::Killed);
    QVERIFY(output.isEmpty());
    toolProcesses::reset();
    QVERIFY(runTool(test::fakeToolPath(), fakeArgs(QStringLiteral("echo-args"))).succeeded());
}

void TestToolRunner::realToolStatuses() {
    const QString clip = m_dir.filePath(QStringLiteral("real clip.mp4"));
    QVERIFY(test::makeClip(clip, 1.0));
    const QString out = m_dir.filePath(QStringLiteral("real out.mkv"));

    // Success: the completion marker and exit 0.
    Run r = run(test::ffmpegPath(), ArgLine()
                                        .opts(QStringLiteral("-i"))
                                        .path(clip)
                                        .opts(QStringLiteral("-vcodec copy -acodec copy -y"))
                                        .path(out));
    QVERIFY2(r.result.succeeded(), qPrintable(r.output));
    // ffmpeg writes the overhead figure after the marker with a write of its own, so the
    // completion is often not the last report.
    QCOMPARE(statuses(r).count(status::Done), 1);
    QVERIFY(!r.reports.last().time.isEmpty());

    // A missing input.
    r = run(test::ffmpegPath(), ArgLine()
                                    .opts(QStringLiteral("-i"))
                                    .path(m_dir.filePath(QStringLiteral("absent.mp4")))
                                    .opts(QStringLiteral("-y"))
                                    .path(out));
    QVERIFY(statuses(r).contains(status::NoSuchFile));
    QCOMPARE(r.result.end, ToolResult::End::Exited);
    QVERIFY(r.result.exitCode != 0);

    // A corrupt input: no marker the runner knows, so only the exit code tells the failure.
    const QString corrupt = m_dir.filePath(QStringLiteral("corrupt.mp4"));
    QFile f(corrupt);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray noise(64 * 1024, '\0');
    quint32 x = 12345;
    for (char &c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    f.write(noise);
    f.close();
    r = run(test::ffmpegPath(),
            ArgLine().opts(QStringLiteral("-i")).path(corrupt).opts(QStringLiteral("-y")).path(out));
    QVERIFY(!r.result.succeeded());
    QVERIFY(!statuses(r).contains(status::Done));
    QVERIFY(r.output.contains(QStringLiteral("Invalid data found")));
}

QTEST_APPLESS_MAIN(TestToolRunner)
#include "test_tool_runner.moc"
