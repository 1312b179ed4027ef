// The main window: its pages and their controls found by form name, page choice, the output
// rows, the progress area, the close question, the tray menu and taking the window down
// while a tool runs.

#include "app/main_window.h"

#include "app/clip_page.h"
#include "app/convert_page.h"
#include "app/merge_page.h"
#include "app/output_row.h"
#include "app/progress_area.h"
#include "lists/video_list.h"
#include "support/test_support.h"
#include "tool/progress_monitor.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"
#include "tool/tool_runner.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <future>
#include <memory>
#include <thread>

#include <cerrno>
#include <signal.h>

using namespace yz;

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { toolProcesses::reset(); }

    void controlsCarryTheirFormNames_data();
    void controlsCarryTheirFormNames();
    void pageButtonsChooseThePage();
    void outputRowsRestored_data();
    void outputRowsRestored();
    void saveModeRestored_data();
    void saveModeRestored();
    void browseAndOpen_data();
    void browseAndOpen();
    void progressAreaFollowsMonitors();
    void closeQuestion_data();
    void closeQuestion();
    void trayMenu();
    void destructionEndsOnlyOurToolAndReleasesWorkers();
};

// Every control the other parts of the program look up: its kind, caption, page and state
// when the window opens.
void MainWindowTest::controlsCarryTheirFormNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("page"); // -1: outside the pages
    QTest::addColumn<QString>("state");

    auto row = [](const char *name, const char *kind, const char *caption, int page, const char *state = "") {
        QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(kind)
                            << QString::fromUtf8(caption) << page << QString::fromUtf8(state);
    };
    row("超级按钮1", "QToolButton", "批量转换视频", -1, "checked");
    row("超级按钮2", "QToolButton", "批量合并视频", -1);
    row("超级按钮3", "QToolButton", "批量剪辑视频", -1);
    row("进度条1", "QProgressBar", "", -1, "hidden");
    row("进度条2", "QProgressBar", "", -1, "hidden");
    row("透明标签4", "QLabel", "0 %", -1, "hidden");
    row("透明标签5", "QLabel", "0 / 0", -1, "hidden");

    row("超级列表框1", "yz::VideoListView", "", 0);
    row("超级按钮5", "QPushButton", "添加视频", 0);
    row("超级按钮6", "QPushButton", "添加视频文件夹", 0);
    row("超级按钮9", "QPushButton", "全选", 0);
    row("超级按钮10", "QPushButton", "反选", 0);
    row("超级按钮7", "QPushButton", "删除已选择的原视频地址", 0);
    row("超级按钮8", "QPushButton", "清空表格", 0);
    row("单选框1", "QRadioButton", "MP4视频", 0, "checked");
    row("单选框2", "QRadioButton", "FLV视频", 0);
    row("单选框3", "QRadioButton", "MOV视频", 0);
    row("单选框4", "QRadioButton", "MKV视频", 0);
    row("单选框5", "QRadioButton", "TS视频", 0);
    row("单选框6", "QRadioButton", "WMV视频", 0);
    row("单选框7", "QRadioButton", "MP3音频", 0);
    row("单选框8", "QRadioButton", "保存在原视频相同位置", 0);
    row("单选框9", "QRadioButton", "指定位置", 0, "checked");
    row("编辑框1", "QLineEdit", "", 0);
    row("超级按钮11", "QPushButton", "浏览", 0);
    row("超级按钮12", "QPushButton", "打开文件夹", 0);
    row("选择框1", "QCheckBox", "转换成功后，删除原视频文件（删除后的文件不能恢复）", 0);
    row("超级按钮13", "QPushButton", "开始转换", 0);

    row("超级列表框2", "yz::VideoListView", "", 1);
    row("超级列表框3", "yz::VideoListView", "", 1);
    row("超级按钮14", "QPushButton", "添加视频", 1);
    row("超级按钮15", "QPushButton", "添加视频文件夹", 1);
    row("超级按钮18", "QPushButton", "全选", 1);
    row("超级按钮19", "QPushButton", "反选", 1);
    row("超级按钮16", "QPushButton", "删除已选择的原视频１地址", 1);
    row("超级按钮17", "QPushButton", "清空表格", 1);
    row("超级按钮20", "QPushButton", "添加视频", 1);
    row("超级按钮21", "QPushButton", "添加视频文件夹", 1);
    row("超级按钮24", "QPushButton", "全选", 1);
    row("超级按钮25", "QPushButton", "反选", 1);
    row("超级按钮22", "QPushButton", "删除已选择的原视频２地址", 1);
    row("超级按钮23", "QPushButton", "清空表格", 1);
    row("透明标签12", "QLabel", "共 0 个视频", 1);
    row("透明标签13", "QLabel", "共 0 个视频", 1);
    row("选择框2", "QCheckBox", "合并所有原视频１", 1, "disabled");
    row("选择框3", "QCheckBox", "合并所有原视频２", 1, "disabled");
    row("透明标签11", "QLabel", "0", 1);
    row("单选框10", "QRadioButton", "MP4", 1, "checked");
    row("单选框15", "QRadioButton", "WMV", 1);
    row("分组框4", "QGroupBox", "第四步：设置新视频保存位置", 1);
    row("编辑框2", "QLineEdit", "", 1);
    row("超级按钮27", "QPushButton", "浏览", 1);
    row("超级按钮28", "QPushButton", "打开文件夹", 1);
    row("超级按钮26", "QPushButton", "开始合并", 1, "disabled");

    row("超级列表框4", "yz::VideoListView", "", 2);
    row("超级按钮29", "QPushButton", "添加视频", 2);
    row("超级按钮30", "QPushButton", "添加视频文件夹", 2);
    row("超级按钮33", "QPushButton", "全选", 2);
    row("超级按钮34", "QPushButton", "反选", 2);
    row("超级按钮31", "QPushButton", "删除已选择的原视频地址", 2);
    row("超级按钮32", "QPushButton", "清空表格", 2);
    row("透明标签35", "QLabel", "共 0 个视频", 2);
    row("clipOptionsArea", "QGroupBox", "第二步：设置新视频选项", 2);
    row("单选框16", "QRadioButton", "MP4", 2, "checked");
    row("单选框21", "QRadioButton", "WMV", 2);
    row("编辑框3", "QLineEdit", "", 2);
    row("超级按钮35", "QPushButton", "浏览", 2);
    row("超级按钮36", "QPushButton", "打开文件夹", 2);
    row("超级按钮37", "QPushButton", "开始剪辑", 2, "disabled");
}

void MainWindowTest::controlsCarryTheirFormNames() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(int, page);
    QFETCH(QString, state);

    test::RunDir dir;
    MainWindow window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("砚舟视频剪辑工具"));
    const QList<QWidget *> found = window.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    QVERIFY2(w->inherits(kind.toLatin1()), w->metaObject()->className());

    QString text;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        text = b->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
        text = l->text();
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        text = g->title();
    if (!caption.isEmpty() || !text.isEmpty())
        QCOMPARE(text, caption);

    if (page >= 0)
        QVERIFY(window.pages()->widget(page)->isAncestorOf(w));
    else
        QVERIFY(!window.pages()->isAncestorOf(w));

    if (auto *b = qobject_cast<QAbstractButton *>(w))
        QCOMPARE(b->isChecked(), state == QStringLiteral("checked"));
    QCOMPARE(w->isEnabled(), state != QStringLiteral("disabled"));
    if (page < 0)
        QCOMPARE(w->isVisible(), state != QStringLiteral("hidden"));
}

void MainWindowTest::pageButtonsChooseThePage() {
    test::RunDir dir;
    MainWindow window;
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("选择夹1"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("视频转换"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("合并视频"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("剪辑视频"));

    // Choosing a page leaves what the other pages hold as it was.
    window.convertList()->appendVideo(QStringLiteral("/v/a.mp4"));
    for (int index : {2, 0, 1, 1, 2}) {
        auto *button = window.findChild<QToolButton *>(QStringLiteral("超级按钮%1").arg(index + 1));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(tabs->currentIndex(), index);
        QVERIFY(button->isChecked());
    }
    QCOMPARE(window.convertList()->itemCount(), 1);
    // The tabs themselves keep the large buttons in step.
    tabs->setCurrentIndex(0);
    QVERIFY(window.pageButton(0)->isChecked());
}

void MainWindowTest::outputRowsRestored_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("stored"); // "" = no entry, else a folder under the run directory

    for (const auto &[section, edit] :
         {std::pair{"批量转换视频", "编辑框1"}, std::pair{"批量合并视频", "编辑框2"},
          std::pair{"批量剪辑视频", "编辑框3"}}) {
        QTest::addRow("%s default", section)
            << QString::fromUtf8(section) << QString::fromUtf8(edit) << QString();
        QTest::addRow("%s stored, missing", section)
            << QString::fromUtf8(section) << QString::fromUtf8(edit) << QStringLiteral("gone/新 文件夹");
    }
}

void MainWindowTest::outputRowsRestored() {
    QFETCH(QString, section);
    QFETCH(QString, edit);
    QFETCH(QString, stored);

    test::RunDir dir;
    const QString expected = dir.path() + u'/' + (stored.isEmpty() ? QStringLiteral("新媒体") : stored);
    if (!stored.isEmpty())
        QVERIFY(SettingsFile::standard().write(section, QStringLiteral("保存位置"), expected));
    QVERIFY(!QFileInfo::exists(expected));

    MainWindow window;
    auto *box = window.findChild<QLineEdit *>(edit);
    QVERIFY(box);
    QCOMPARE(box->text(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QVERIFY(QFileInfo(dir.path() + QStringLiteral("/data")).isDir());
    // Restoring reads; it does not write the default back.
    QCOMPARE(SettingsFile::standard().read(section, QStringLiteral("保存位置")),
             stored.isEmpty() ? QString() : expected);
}

void MainWindowTest::saveModeRestored_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("chosenFolder");
    QTest::newRow("missing") << QString() << true;
    QTest::newRow("b") << QStringLiteral("b") << true;
    QTest::newRow("a") << QStringLiteral("a") << false;
    QTest::newRow("other") << QStringLiteral("x") << false;
}

void MainWindowTest::saveModeRestored() {
    QFETCH(QString, stored);
    QFETCH(bool, chosenFolder);
    test::RunDir dir;
    if (!stored.isEmpty())
        SettingsFile::standard().write(QStringLiteral("批量转换视频"), QStringLiteral("保存方式"), stored);
    MainWindow window;
    QCOMPARE(window.findChild<QRadioButton *>(QStringLiteral("单选框9"))->isChecked(), chosenFolder);
    QCOMPARE(window.findChild<QRadioButton *>(QStringLiteral("单选框8"))->isChecked(), !chosenFolder);
}

void MainWindowTest::browseAndOpen_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("browse");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("cancel");

    const struct {
        int page;
        const char *browse, *open, *edit, *section, *title;
    } rows[] = {{0, "超级按钮11", "超级按钮12", "编辑框1", "批量转换视频", "新媒体保存位置"},
                {1, "超级按钮27", "超级按钮28", "编辑框2", "批量合并视频", "新视频保存位置"},
                {2, "超级按钮35", "超级按钮36", "编辑框3", "批量剪辑视频", "新视频保存位置"}};
    for (const auto &r : rows) {
        for (bool cancel : {false, true}) {
            QTest::addRow("%s %s", r.section, cancel ? "cancelled" : "chosen")
                << r.page << QString::fromUtf8(r.browse) << QString::fromUtf8(r.open)
                << QString::fromUtf8(r.edit) << QString::fromUtf8(r.section) << QString::fromUtf8(r.title)
                << cancel;
        }
    }
}

void MainWindowTest::browseAndOpen() {
    QFETCH(int, page);
    QFETCH(QString, browse);
    QFETCH(QString, open);
    QFETCH(QString, edit);
    QFETCH(QString, section);
    QFETCH(QString, title);
    QFETCH(bool, cancel);

    test::RunDir dir;
    SettingsFile::standard().write(QStringLiteral("批量转换视频"), QStringLiteral("保存方式"),
                                   QStringLiteral("a"));
    MainWindow window;
    window.show();
    window.showPage(page);
    auto *box = window.findChild<QLineEdit *>(edit);
    const QString before = box->text();
    const QString chosen = dir.path() + QStringLiteral("/输出 一");

    auto *row = qobject_cast<OutputRow *>(box->parentWidget());
    QVERIFY(row);
    QStringList calls;
    bool folderChoiceWhenAsked = false;
    row->setFolderPicker([&](const QString &initial, const QString &dialogTitle) {
        calls << initial << dialogTitle;
        folderChoiceWhenAsked = window.findChild<QRadioButton *>(QStringLiteral("单选框9"))->isChecked();
        // Blanks around the answer are not part of the folder.
        return cancel ? QString() : QStringLiteral("  ") + chosen + QStringLiteral(" ");
    });
    QStringList opened;
    row->setFolderOpener([&](const QString &folder) { opened << folder; });

    QTest::mouseClick(window.findChild<QPushButton *>(browse), Qt::LeftButton);
    QCOMPARE(calls, (QStringList{before, title}));
    const QString expected = cancel ? before : chosen;
    QCOMPARE(box->text(), expected);
    QCOMPARE(SettingsFile::standard().read(section, QStringLiteral("保存位置")), cancel ? QString() : chosen);
    if (page == 0) {
        // "指定位置" is selected before the dialog opens, whatever its outcome.
        QVERIFY(folderChoiceWhenAsked);
        QVERIFY(window.findChild<QRadioButton *>(QStringLiteral("单选框9"))->isChecked());
        QVERIFY(!window.findChild<QRadioButton *>(QStringLiteral("单选框8"))->isChecked());
    }

    QTest::mouseClick(window.findChild<QPushButton *>(open), Qt::LeftButton);
    QCOMPARE(opened, QStringList{expected});
}

void MainWindowTest::progressAreaFollowsMonitors() {
    test::RunDir dir;
    MainWindow window;
    window.show();
    ProgressMonitor first;
    ProgressMonitor second;
    window.progressArea()->attach(&first);
    window.progressArea()->attach(&second);
    auto *itemBar = window.findChild<QProgressBar *>(QStringLiteral("进度条2"));
    auto *itemLabel = window.findChild<QLabel *>(QStringLiteral("透明标签5"));
    auto *percentBar = window.findChild<QProgressBar *>(QStringLiteral("进度条1"));
    auto *percentLabel = window.findChild<QLabel *>(QStringLiteral("透明标签4"));

    // Jobs signal from their worker threads.
    std::thread([&] {
        first.showFor(4);
        first.startItem(3, 4);
        first.setTotalDuration(QStringLiteral("00:01:40"));
        first.reportProgress({QStringLiteral("文件不存在"), QStringLiteral("00:02:30")});
    }).join();
    QTRY_COMPARE(percentLabel->text(), QStringLiteral("150 %"));
    QCOMPARE(percentBar->value(), 100);
    QCOMPARE(itemLabel->text(), QStringLiteral("3 / 4"));
    QCOMPARE(itemBar->maximum(), 4);
    QCOMPARE(itemBar->value(), 3);
    for (QWidget *w : std::initializer_list<QWidget *>{itemBar, itemLabel, percentBar, percentLabel})
        QVERIFY(w->isVisible());

    std::thread([&] { second.showFor(2); }).join();
    QTRY_COMPARE(itemLabel->text(), QStringLiteral("1 / 2"));
    QCOMPARE(percentLabel->text(), QStringLiteral("0 %"));
    std::thread([&] { second.hide(); }).join();
    QTRY_VERIFY(!itemBar->isVisible());
    for (QWidget *w : std::initializer_list<QWidget *>{itemBar, itemLabel, percentBar, percentLabel})
        QVERIFY(!w->isVisible());
}

void MainWindowTest::closeQuestion_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void MainWindowTest::closeQuestion() {
    QFETCH(bool, answer);
    test::RunDir dir;
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int asked = 0;
    window.setCloseQuestion([&] {
        ++asked;
        return answer;
    });
    QCOMPARE(window.close(), answer);
    QCOMPARE(asked, 1);
    QCOMPARE(window.isVisible(), !answer);
}

void MainWindowTest::trayMenu() {
    test::RunDir dir;
    MainWindow window;
    window.show();
    QMenu *menu = window.findChild<QMenu *>(QStringLiteral("菜单二"));
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 4);
    QCOMPARE(actions.at(0)->text(), QStringLiteral("显示|隐藏"));
    QCOMPARE(actions.at(1)->text(), QStringLiteral("软件官网"));
    QVERIFY(actions.at(2)->isSeparator());
    QCOMPARE(actions.at(3)->text(), QStringLiteral("退出软件"));

    actions.at(0)->trigger();
    QVERIFY(!window.isVisible());
    actions.at(0)->trigger();
    QVERIFY(window.isVisible());

    // "退出软件" leaves without the question.
    int asked = 0;
    window.setCloseQuestion([&] {
        ++asked;
        return false;
    });
    actions.at(3)->trigger();
    QVERIFY(window.close());
    QCOMPARE(asked, 0);
}

void MainWindowTest::destructionEndsOnlyOurToolAndReleasesWorkers() {
    test::RunDir dir(test::fakeToolPath());
    const QString pidFile = dir.path() + QStringLiteral("/tool.pid");
    qputenv("FAKE_TOOL_PIDFILE", pidFile.toLocal8Bit());

    // A process this program did not start through the runner: it must survive.
    QProcess bystander;
    bystander.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(bystander.waitForStarted());
    auto endBystander = qScopeGuard([&] {
        bystander.kill();
        bystander.waitForFinished();
        qunsetenv("FAKE_TOOL_PIDFILE");
    });

    auto window = std::make_unique<MainWindow>();
    window->show();
    VideoList *list = window->clipList();

    std::promise<ToolResult> toolDone;
    std::future<ToolResult> toolResult = toolDone.get_future();
    std::thread toolWorker(
        [&] { toolDone.set_value(runTool(toolPath(), ArgLine().opts(QStringLiteral("--mode=hang")))); });
    std::thread listWorker;

    QStringList steps;
    int runningWhenAsked = -1;
    pid_t pid = 0;
    window->addShutdownStep(
        [&] {
            steps << QStringLiteral("ask");
            runningWhenAsked = toolProcesses::runningCount();
        },
        [&] {
            steps << QStringLiteral("join");
            // A tool the window failed to end is ended here, so the test fails instead of hanging.
            if (toolResult.wait_for(std::chrono::seconds(5)) != std::future_status::ready && pid > 0)
                ::kill(pid, SIGKILL);
            if (listWorker.joinable())
                listWorker.join();
            toolWorker.join();
        });
    // Whatever fails below, the window goes and its steps join the workers.
    auto cleanup = qScopeGuard([&] { window.reset(); });

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(pidFile).size() > 0, 10000);
    QFile f(pidFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    pid = static_cast<pid_t>(f.readAll().trimmed().toLongLong());
    QVERIFY(pid > 0);

    // A worker that waits on a list call, which this thread no longer serves from here on.
    listWorker = std::thread([list] { list->appendItem(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    QElapsedTimer clock;
    clock.start();
    window.reset();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));

    QCOMPARE(steps, (QStringList{QStringLiteral("ask"), QStringLiteral("join")}));
    QCOMPARE(runningWhenAsked, 1);
    QVERIFY(toolResult.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(toolResult.get().end, ToolResult::End::Killed);
    QCOMPARE(toolProcesses::runningCount(), 0);
    QVERIFY(::kill(pid, 0) == -1 && errno == ESRCH);
    QCOMPARE(bystander.state(), QProcess::Running);
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
