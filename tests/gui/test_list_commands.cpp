// The commands of the four lists driven through buttons found by their form names: the
// dialogs with their titles, filter and remembered folders, folder scans, selection
// commands, removal, clearing, the conversion list's keys, drops from a file manager,
// and the merge page's counts.

#include "app/list_commands.h"
#include "app/merge_counts.h"
#include "app/video_list_view.h"
#include "lists/list_filler.h"
#include "lists/video_list.h"
#include "support/test_support.h"
#include "tool/settings_file.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace yz;

Q_DECLARE_METATYPE(yz::ListKind)

namespace {

// Form names of a list's view and its add, add-folder, select-all, invert, remove and clear buttons.
QStringList formNames(ListKind kind) {
    switch (kind) {
    case ListKind::Convert:
        return {"超级列表框1", "超级按钮5", "超级按钮6", "超级按钮9", "超级按钮10", "超级按钮7", "超级按钮8"};
    case ListKind::Merge1:
        return {"超级列表框2", "超级按钮14", "超级按钮15", "超级按钮18",
                "超级按钮19",  "超级按钮16", "超级按钮17"};
    case ListKind::Merge2:
        return {"超级列表框3", "超级按钮20", "超级按钮21", "超级按钮24",
                "超级按钮25",  "超级按钮22", "超级按钮23"};
    case ListKind::Clip:
        return {"超级列表框4", "超级按钮29", "超级按钮30", "超级按钮33",
                "超级按钮34",  "超级按钮31", "超级按钮32"};
    }
    return {};
}

QStringList column(const VideoList &list, int c) {
    QStringList out;
    for (int i = 0; i < list.itemCount(); ++i)
        out << list.itemText(i, c);
    return out;
}

void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// One list's page: the view and its buttons, named by form name, driven by ListCommands.
// Durations come from a stand-in probe (the file's base name after a short pause).
struct ListPage {
    QWidget window;
    VideoList list;
    VideoListView *view;
    ListCommands *commands = nullptr;
    int refreshes = 0;
    QStringList dialogCalls; // "title|filter|folder" of every file dialog shown
    QStringList chosen;      // what the file dialog answers
    QString chosenFolder;    // what the folder dialog answers

    explicit ListPage(ListKind kind, int probePauseMs = 0) : list(kind), view(new VideoListView(&list)) {
        const QStringList names = formNames(kind);
        auto *layout = new QVBoxLayout(&window);
        view->setObjectName(names.at(0));
        layout->addWidget(view);
        ListCommandWidgets widgets{view};
        QAbstractButton **buttons[] = {&widgets.addFiles,        &widgets.addFolder,      &widgets.selectAll,
                                       &widgets.invertSelection, &widgets.removeSelected, &widgets.clear};
        for (int i = 0; i < 6; ++i) {
            auto *button = new QPushButton(names.at(i + 1));
            button->setObjectName(names.at(i + 1));
            layout->addWidget(button);
            *buttons[i] = button;
        }
        commands = new ListCommands(
            widgets, [this] { ++refreshes; }, &window);
        commands->setFileChooser(
            [this](QWidget *, const QString &title, const QString &filter, const QString &folder) {
                dialogCalls << title + u'|' + filter + u'|' + folder;
                return chosen;
            });
        commands->setFolderChooser([this](QWidget *, const QString &title) {
            dialogCalls << title;
            return chosenFolder;
        });
        commands->filler()->setProbe([probePauseMs](const QString &path) {
            QThread::msleep(probePauseMs);
            return QFileInfo(path).baseName();
        });
        window.resize(1000, 500);
    }
    ~ListPage() { commands->shutDown(); }

    QPushButton *button(const QString &formName) { return window.findChild<QPushButton *>(formName); }
    void click(const QString &formName) { QTest::mouseClick(button(formName), Qt::LeftButton); }
    bool waitUntilAdded() { return QSignalSpy(commands, &ListCommands::addingFinished).wait(20000); }
};

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addFiles_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("key");
        QTest::newRow("conversion") << ListKind::Convert << QStringLiteral("请选择要转换的视频")
                                    << QStringLiteral("打开位置1");
        QTest::newRow("first merge") << ListKind::Merge1 << QStringLiteral("请选择要合并的原视频１")
                                     << QStringLiteral("打开位置2");
        QTest::newRow("second merge")
            << ListKind::Merge2 << QStringLiteral("请选择要合并的原视频２") << QStringLiteral("打开位置3");
        QTest::newRow("clip") << ListKind::Clip << QStringLiteral("请选择要剪辑的原视频１")
                              << QStringLiteral("打开位置4");
    }
    // "添加视频": dialog title, filter and folder; rows in the chosen order, durations
    // where the list has them; the folder is remembered across a restart.
    void addFiles() {
        QFETCH(ListKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, key);
        test::RunDir run;
        const QString filter =
            QStringLiteral("视频文件 (*.mp4 *.wmv *.flv *.ts *.mov *.mkv *.avi);;所有格式 (*)");
        const QString defaultFolder = run.path() + QStringLiteral("/新媒体");
        {
            ListPage page(kind);
            page.chosen = QStringList{"/v/b.mkv", "/v/a.mp4", "/v/notes.txt"};
            page.click(formNames(kind).at(1));
            QCOMPARE(page.dialogCalls, QStringList({title + u'|' + filter + u'|' + defaultFolder}));
            QCOMPARE(column(page.list, 1), page.chosen);
            QCOMPARE(column(page.list, 0), QStringList({"1", "2", "3"}));
            if (kind != ListKind::Convert) {
                QVERIFY(!page.button(formNames(kind).at(1))->isEnabled());
                QCOMPARE(page.refreshes, 0);
                QVERIFY(page.waitUntilAdded());
                QCOMPARE(column(page.list, 2), QStringList({"b", "a", "notes"}));
            }
            QVERIFY(page.button(formNames(kind).at(1))->isEnabled());
            QCOMPARE(page.refreshes, 1);
            QCOMPARE(SettingsFile::standard().read(QStringLiteral("原视频"), key), QStringLiteral("/v/"));

            page.chosen.clear(); // cancelled: nothing added, nothing remembered
            page.click(formNames(kind).at(1));
            QCOMPARE(page.list.itemCount(), 3);
            QVERIFY(page.button(formNames(kind).at(1))->isEnabled());
        }
        ListPage restarted(kind);
        restarted.click(formNames(kind).at(1));
        QCOMPARE(restarted.dialogCalls, QStringList({title + u'|' + filter + u'|' + QStringLiteral("/v/")}));
    }

    // The other lists start where the conversion list's remembered folder points.
    void rememberedFolderDefaults() {
        test::RunDir run;
        SettingsFile::standard().write(QStringLiteral("原视频"), QStringLiteral("打开位置1"),
                                       QStringLiteral("/one/"));
        SettingsFile::standard().write(QStringLiteral("原视频"), QStringLiteral("打开位置3"),
                                       QStringLiteral("/three/"));
        QCOMPARE(ListPage(ListKind::Merge1).commands->lastOpenFolder(), QStringLiteral("/one/"));
        QCOMPARE(ListPage(ListKind::Merge2).commands->lastOpenFolder(), QStringLiteral("/three/"));
        QCOMPARE(ListPage(ListKind::Clip).commands->lastOpenFolder(), QStringLiteral("/one/"));
    }

    // A hundred files whose probes take a while: the rows are there at once in order,
    // the window's thread goes on running, and the count follows when all are probed.
    void staysResponsiveWhileProbing() {
        test::RunDir run;
        ListPage page(ListKind::Clip, 20);
        for (int i = 0; i < 100; ++i)
            page.chosen << QStringLiteral("/v/f%1.mp4").arg(i, 3, 10, QLatin1Char('0'));
        page.click(QStringLiteral("超级按钮29"));
        // The click came back before the probes were done: the rows are in, the last
        // one still waits for its duration.
        QCOMPARE(column(page.list, 1), page.chosen);
        QCOMPARE(page.list.itemText(99, 2), QString());
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        QVERIFY(page.waitUntilAdded());
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QCOMPARE(page.list.itemText(99, 2), QStringLiteral("f099"));
        QCOMPARE(page.refreshes, 1);
    }

    // "添加视频文件夹": the folder dialog's title, the scan order, the button disabled while
    // the scan runs, one count refresh at its end. The folder is not remembered.
    void addFolder() {
        test::RunDir run;
        QTemporaryDir tmp;
        const QString m = tmp.path();
        for (const char *f : {"1.mp4", "x.txt", "A/2.avi", "A/C/3.ts", "B/4.mp4", "B/5.MP4", ".cache/6.mp4"})
            touch(m + u'/' + QLatin1String(f));
        ListPage page(ListKind::Merge2, 30);
        page.chosenFolder = m;
        page.click(QStringLiteral("超级按钮21"));
        QCOMPARE(page.dialogCalls, QStringList({"请选择原视频２所在的文件夹"}));
        QVERIFY(!page.button(QStringLiteral("超级按钮21"))->isEnabled());
        QVERIFY(page.waitUntilAdded());
        QVERIFY(page.button(QStringLiteral("超级按钮21"))->isEnabled());
        QCOMPARE(page.refreshes, 1);
        QCOMPARE(column(page.list, 1),
                 QStringList({m + "/A/2.avi", m + "/B/4.mp4", m + "/A/C/3.ts", m + "/1.mp4"}));
        QCOMPARE(column(page.list, 2), QStringList({"2", "4", "3", "1"}));
        QVERIFY(
            SettingsFile::standard().read(QStringLiteral("原视频"), QStringLiteral("打开位置3")).isEmpty());

        page.chosenFolder.clear(); // cancelled
        page.click(QStringLiteral("超级按钮21"));
        QCOMPARE(page.list.itemCount(), 4);
        QVERIFY(page.button(QStringLiteral("超级按钮21"))->isEnabled());
    }

    // "全选" and "反选" act on the selection and give the list the focus, also when empty;
    // removal keeps serial numbers and refreshes the counts, as clearing does.
    void selectionRemovalAndClearing() {
        test::RunDir run;
        ListPage page(ListKind::Merge1);
        page.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&page.window));
        page.button(QStringLiteral("超级按钮17"))->setFocus();
        page.click(QStringLiteral("超级按钮18"));
        QVERIFY(page.view->hasFocus());
        QCOMPARE(page.list.firstSelected(), -1);

        page.list.appendVideos({"a", "b", "c", "d", "e"});
        page.button(QStringLiteral("超级按钮17"))->setFocus();
        page.click(QStringLiteral("超级按钮18"));
        QVERIFY(page.view->hasFocus());
        QCOMPARE(page.list.selectedIndices(), QList<int>({0, 1, 2, 3, 4}));
        page.list.deselectItem(1);
        page.list.deselectItem(3);
        page.click(QStringLiteral("超级按钮19"));
        QCOMPARE(page.list.selectedIndices(), QList<int>({1, 3}));

        page.click(QStringLiteral("超级按钮16"));
        QCOMPARE(column(page.list, 0), QStringList({"1", "3", "5"}));
        QVERIFY(page.button(QStringLiteral("超级按钮16"))->isEnabled());
        QCOMPARE(page.refreshes, 1);
        page.click(QStringLiteral("超级按钮16")); // nothing selected: still refreshes
        QCOMPARE(page.refreshes, 2);

        page.view->contextMenu()->actions().at(4)->trigger(); // the menu's "清空表格"
        QCOMPARE(page.list.itemCount(), 0);
        QCOMPARE(page.refreshes, 3);
        page.list.appendVideos({"f"});
        page.click(QStringLiteral("超级按钮17"));
        QCOMPARE(page.list.itemCount(), 0);
        QCOMPARE(page.refreshes, 4);
    }

    void conversionKeys_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("count");
        QTest::newRow("Ctrl+A") << ListKind::Convert << int(Qt::Key_A)
                                << Qt::KeyboardModifiers(Qt::ControlModifier) << QList<int>{0, 1, 2} << 3;
        QTest::newRow("Ctrl+Shift+A")
            << ListKind::Convert << int(Qt::Key_A)
            << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << QList<int>{1} << 3;
        QTest::newRow("Delete") << ListKind::Convert << int(Qt::Key_Delete) << Qt::KeyboardModifiers()
                                << QList<int>{} << 2;
        QTest::newRow("Shift+Delete") << ListKind::Convert << int(Qt::Key_Delete)
                                      << Qt::KeyboardModifiers(Qt::ShiftModifier) << QList<int>{} << 2;
        QTest::newRow("Delete elsewhere")
            << ListKind::Clip << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << QList<int>{1} << 3;
    }
    void conversionKeys() {
        QFETCH(ListKind, kind);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QList<int>, selected);
        QFETCH(int, count);
        test::RunDir run;
        ListPage page(kind);
        page.list.appendVideos({"a", "b", "c"});
        page.list.selectItem(1);
        QTest::keyClick(page.view, Qt::Key(key), modifiers);
        QCOMPARE(page.list.selectedIndices(), selected);
        QCOMPARE(page.list.itemCount(), count);
    }

    // Files dropped from a file manager are added as chosen files (any extension, folder
    // remembered), folders as scanned folders.
    void dropFromFileManager() {
        test::RunDir run;
        QTemporaryDir tmp;
        touch(tmp.path() + QStringLiteral("/in/z.mp4"));
        touch(tmp.path() + QStringLiteral("/in/readme.txt"));
        touch(tmp.path() + QStringLiteral("/loose/CLIP.MOV"));
        ListPage page(ListKind::Convert);
        page.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page.window));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(tmp.path() + "/loose/CLIP.MOV"),
                      QUrl::fromLocalFile(tmp.path() + "/in"),
                      QUrl(QStringLiteral("https://example.org/v.mp4"))});
        const QPoint at = page.view->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(page.view->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(page.view->viewport(), &drop);
        QVERIFY(page.waitUntilAdded()); // the folder's scan
        QCOMPARE(column(page.list, 1),
                 QStringList({tmp.path() + "/loose/CLIP.MOV", tmp.path() + "/in/z.mp4"}));
        QCOMPARE(SettingsFile::standard().read(QStringLiteral("原视频"), QStringLiteral("打开位置1")),
                 tmp.path() + "/loose/");

        QMimeData text;
        text.setText(QStringLiteral("hello"));
        QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(page.view->viewport(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void mergeCounts_data() {
        QTest::addColumn<int>("firstItems");
        QTest::addColumn<int>("secondItems");
        QTest::addColumn<bool>("joinFirst");
        QTest::addColumn<bool>("joinSecond");
        QTest::addColumn<int>("videos");
        QTest::addColumn<bool>("firstBoxEnabled");
        QTest::addColumn<bool>("secondBoxEnabled");
        QTest::newRow("0 x 3") << 0 << 3 << false << false << 0 << false << true;
        QTest::newRow("2 x 0, ticked") << 2 << 0 << true << true << 0 << true << false;
        QTest::newRow("2 x 3") << 2 << 3 << false << false << 6 << true << true;
        QTest::newRow("first joined") << 3 << 2 << true << false << 2 << true << true;
        QTest::newRow("second joined") << 2 << 3 << false << true << 2 << true << true;
        QTest::newRow("both joined") << 3 << 3 << true << true << 1 << true << true;
        QTest::newRow("ticked box disabled") << 1 << 2 << true << false << 2 << false << true;
    }
    // refreshMergeCounts through the lists' own commands and the boxes' clicks.
    void mergeCounts() {
        QFETCH(int, firstItems);
        QFETCH(int, secondItems);
        QFETCH(bool, joinFirst);
        QFETCH(bool, joinSecond);
        QFETCH(int, videos);
        QFETCH(bool, firstBoxEnabled);
        QFETCH(bool, secondBoxEnabled);
        QWidget page;
        VideoList first(ListKind::Merge1);
        VideoList second(ListKind::Merge2);
        QLabel firstCount, secondCount, newVideos;
        QCheckBox joinAllFirst(QStringLiteral("合并所有原视频１")),
            joinAllSecond(QStringLiteral("合并所有原视频２"));
        QPushButton start(QStringLiteral("开始合并"));
        const MergeCountWidgets w{&first,     &second,       &firstCount,    &secondCount,
                                  &newVideos, &joinAllFirst, &joinAllSecond, &start};
        connectMergeCounts(w);
        QCOMPARE(newVideos.text(), QStringLiteral("0"));
        QVERIFY(!start.isEnabled());

        for (int i = 0; i < 3; ++i) {
            first.appendVideo(QStringLiteral("f"));
            second.appendVideo(QStringLiteral("s"));
        }
        refreshMergeCounts(w);
        // Ticks are set by clicks, which refresh on their own.
        if (joinFirst)
            joinAllFirst.click();
        if (joinSecond)
            joinAllSecond.click();
        QCOMPARE(newVideos.text(), QString::number((joinFirst ? 1 : 3) * (joinSecond ? 1 : 3)));
        first.removeItems(QList<int>{0, 1, 2}.mid(firstItems));
        second.removeItems(QList<int>{0, 1, 2}.mid(secondItems));
        refreshMergeCounts(w);

        QCOMPARE(firstCount.text(), QStringLiteral("共 %1 个视频").arg(firstItems));
        QCOMPARE(secondCount.text(), QStringLiteral("共 %1 个视频").arg(secondItems));
        QCOMPARE(newVideos.text(), QString::number(videos));
        QCOMPARE(joinAllFirst.isEnabled(), firstBoxEnabled);
        QCOMPARE(joinAllSecond.isEnabled(), secondBoxEnabled);
        QCOMPARE(joinAllFirst.isChecked(), joinFirst);
        QCOMPARE(start.isEnabled(), videos > 0);

        // A run owns its stop button: a refresh leaves it as it is.
        start.setText(QStringLiteral("停止合并"));
        start.setEnabled(true);
        first.clearAll();
        refreshMergeCounts(w);
        QVERIFY(start.isEnabled());
        QCOMPARE(newVideos.text(), QStringLiteral("0"));
    }

    void clipCount() {
        test::RunDir run;
        QLabel label;
        int reevaluated = 0;
        ListPage page(ListKind::Clip);
        delete page.commands;
        page.commands = new ListCommands(
            {page.view, page.button("超级按钮29"), page.button("超级按钮30"), page.button("超级按钮33"),
             page.button("超级按钮34"), page.button("超级按钮31"), page.button("超级按钮32")},
            [&] { refreshClipCount(&page.list, &label, [&] { ++reevaluated; }); }, &page.window);
        page.list.appendVideos({"a", "b"});
        page.list.selectItem(0);
        page.click(QStringLiteral("超级按钮31"));
        QCOMPARE(label.text(), QStringLiteral("共 1 个视频"));
        page.view->contextMenu()->actions().at(4)->trigger();
        QCOMPARE(label.text(), QStringLiteral("共 0 个视频"));
        QCOMPARE(reevaluated, 2);
    }
};

QTEST_MAIN(TestListCommands)
#include "test_list_commands.moc"
