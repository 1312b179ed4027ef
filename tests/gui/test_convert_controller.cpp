// The conversion page's start button driving the job: captions and pictures through a run
// and a stop, the settings written at start, the page's options, and the window's shut-down.

#include "app/convert_controller.h"
#include "app/video_list_view.h"
#include "jobs/convert/convert_job.h"
#include "lists/video_list.h"
#include "support/test_support.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"
#include "tool/tool_runner.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace yz;
using namespace yz::test;

namespace {

QIcon coloured(Qt::GlobalColor colour) {
    QPixmap p(16, 16);
    p.fill(colour);
    return QIcon(p);
}

// The named controls of the conversion page, a list and its view, and the controller.
struct Page {
    QWidget widget;
    VideoList list{ListKind::Convert};
    VideoListView *view = new VideoListView(&list, &widget);
    QList<QRadioButton *> radios;
    QLineEdit *folder = new QLineEdit(&widget);
    QCheckBox *deleteSources = new QCheckBox(&widget);
    QPushButton *button = new QPushButton(QStringLiteral("开始转换"), &widget);
    QIcon startIcon = coloured(Qt::green);
    QIcon stopIcon = coloured(Qt::red);
    std::unique_ptr<ConvertController> controller;

    Page() {
        auto *formats = new QButtonGroup(&widget);
        auto *location = new QButtonGroup(&widget);
        for (int i = 1; i <= 9; ++i) {
            auto *radio = new QRadioButton(&widget);
            radio->setObjectName(QStringLiteral("单选框%1").arg(i));
            (i <= 7 ? formats : location)->addButton(radio);
            radios.append(radio);
        }
        folder->setObjectName(QStringLiteral("编辑框1"));
        deleteSources->setObjectName(QStringLiteral("选择框1"));
        button->setObjectName(QStringLiteral("超级按钮13"));
        ConvertPageControls c;
        c.list = &list;
        c.formatRadios = {radios.begin(), radios.begin() + 7};
        c.besideRadio = radios[7];
        c.intoRadio = radios[8];
        c.folderEdit = folder;
        c.deleteSources = deleteSources;
        c.startButton = button;
        c.startIcon = startIcon;
        c.stopIcon = stopIcon;
        controller = std::make_unique<ConvertController>(c);
    }

    QRadioButton *radio(int formNumber) const { return radios[formNumber - 1]; }
    ConvertJob *job() const { return controller->job(); }
    bool shows(const QString &caption, const QIcon &icon, bool enabled) const {
        return button->text() == caption && button->icon().cacheKey() == icon.cacheKey() &&
               button->isEnabled() == enabled;
    }
    QString status(int row) const { return list.itemText(row, list.statusColumn()); }

    // Waits for the job's end as the window sees it: after the queued state change.
    bool waitIdle(int timeoutMs = 60000) {
        if (job()->state() == ConvertJob::State::Idle)
            return true;
        QEventLoop loop;
        QObject::connect(job(), &ConvertJob::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        job()->wait();
        QCoreApplication::processEvents();
        return job()->state() == ConvertJob::State::Idle;
    }
};

QString section() {
    return QString::fromUtf8(ConvertController::SettingsSection);
}

} // namespace

class TestConvertController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyListClickDoesNothing();
    void captionsThroughAWholeRun();
    void stopCaptions();
    void besideWithNoFormatChecked();
    void shutDownEndsTheRunningTool();
};

void TestConvertController::emptyListClickDoesNothing() {
    RunDir run;
    Page page;
    page.radio(9)->setChecked(true);
    page.folder->setText(run.path() + "/out");
    QTest::mouseClick(page.button, Qt::LeftButton);
    QVERIFY(page.shows("开始转换", page.startIcon, true));
    QCOMPARE(page.job()->state(), ConvertJob::State::Idle);
    QVERIFY(!QFile::exists(settingsPath()));
    QVERIFY(!QFileInfo::exists(run.path() + "/out"));
}

void TestConvertController::captionsThroughAWholeRun() {
    RunDir run;
    Page page;
    const QString a = run.path() + "/a.mp4", b = run.path() + "/b.mp4";
    QVERIFY(makeClip(a));
    QVERIFY(makeClip(b));
    page.list.appendVideos({a, b});
    page.radio(4)->setChecked(true); // MKV
    page.radio(9)->setChecked(true); // 指定位置
    const QString out = run.path() + "/new/out";
    page.folder->setText(out);

    QTest::mouseClick(page.button, Qt::LeftButton);
    QVERIFY(page.shows("停止转换", page.stopIcon, true));
    QVERIFY(QFileInfo(out).isDir());
    const SettingsFile settings = SettingsFile::standard();
    QCOMPARE(settings.read(section(), "保存方式"), QStringLiteral("b"));
    QCOMPARE(settings.read(section(), "保存位置"), out);

    QVERIFY(page.waitIdle());
    QVERIFY(page.shows("开始转换", page.startIcon, true));
    QCOMPARE(page.status(0), status::Done);
    QCOMPARE(page.status(1), status::Done);
    QVERIFY(mediaDuration(out + "/a.mkv") > 0.9);
    QVERIFY(mediaDuration(out + "/b.mkv") > 0.9);
}

// Stop while the first row converts: "正在停止", disabled; the row finishes, no other starts,
// and the button is back to "开始转换".
void TestConvertController::stopCaptions() {
    RunDir run;
    QVERIFY(installScriptTool(QStringLiteral("sleep 1; exec '%1' \"$@\"").arg(ffmpegPath())));
    Page page;
    QStringList clips;
    for (int i = 0; i < 3; ++i) {
        clips << run.path() + QStringLiteral("/c%1.mp4").arg(i);
        QVERIFY(makeClip(clips.last()));
    }
    page.list.appendVideos(clips);
    page.radio(1)->setChecked(true);
    page.radio(9)->setChecked(true);
    page.folder->setText(run.path() + "/out");

    bool firstRowStarted = false;
    QObject::connect(page.job(), &ConvertJob::itemStarted, &page.widget, [&] { firstRowStarted = true; });
    QTest::mouseClick(page.button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(firstRowStarted, 30000);
    QTest::mouseClick(page.button, Qt::LeftButton);
    QVERIFY(page.shows("正在停止", page.stopIcon, false));
    QTest::mouseClick(page.button, Qt::LeftButton); // disabled: no effect
    QCOMPARE(page.job()->state(), ConvertJob::State::Stopping);

    QVERIFY(page.waitIdle());
    QVERIFY(page.shows("开始转换", page.startIcon, true));
    QCOMPARE(page.status(0), status::Done);
    QCOMPARE(page.status(1), QString());
    QCOMPARE(page.status(2), QString());
}

// "保存在原视频相同位置" writes "a" and leaves "保存位置" alone; with no format button of the
// first six checked the target is MP3.
void TestConvertController::besideWithNoFormatChecked() {
    RunDir run;
    Page page;
    const QString clip = run.path() + "/clip.mp4";
    QVERIFY(makeClip(clip));
    page.list.appendVideo(clip);
    page.radio(8)->setChecked(true);
    page.folder->setText(run.path() + "/unused");
    QTest::mouseClick(page.button, Qt::LeftButton);
    QVERIFY(page.waitIdle());

    const SettingsFile settings = SettingsFile::standard();
    QCOMPARE(settings.read(section(), "保存方式"), QStringLiteral("a"));
    QCOMPARE(settings.read(section(), "保存位置", "absent"), QStringLiteral("absent"));
    QVERIFY(!QFileInfo::exists(run.path() + "/unused"));
    QCOMPARE(page.status(0), status::Done);
    QCOMPARE(streamKinds(run.path() + "/clip_new.mp3"), QStringList{"Audio"});
}

// Closing the window mid-run: shutDown() returns at once, with no tool left running and no
// unfinished output left behind.
void TestConvertController::shutDownEndsTheRunningTool() {
    RunDir run;
    const QString started = run.path() + "/started";
    QVERIFY(installScriptTool(
        QStringLiteral("printf partial > \"$last\"; : > '%1'; exec sleep 600").arg(started)));
    Page page;
    const QString clip = run.path() + "/clip.mp4";
    QVERIFY(makeClip(clip));
    page.list.appendVideo(clip);
    page.radio(1)->setChecked(true);
    page.radio(9)->setChecked(true);
    page.folder->setText(run.path() + "/out");
    QTest::mouseClick(page.button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 30000);

    QElapsedTimer timer;
    timer.start();
    page.controller->shutDown();
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(toolProcesses::runningCount(), 0);
    QCOMPARE(QDir(run.path() + "/out").entryList(QDir::Files), QStringList());
    QVERIFY(QFile::exists(clip));
}

QTEST_MAIN(TestConvertController)
#include "test_convert_controller.moc"
