// The main window as a user drives it: lists filled through their commands, the
// conversion started from its button, counts following the lists.

#include "app/list_commands.h"
#include "app/main_window.h"
#include "lists/video_list.h"
#include "support/test_support.h"
#include "tool/settings_file.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

using namespace yz;

class WindowFlowTest : public QObject {
    Q_OBJECT

private:
    template <typename T> static T *control(MainWindow &window, const char *name) {
        T *w = window.findChild<T *>(QString::fromUtf8(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("YANZHOU_NO_PATH_TOOL", "1"); }

    void folderConvertedFromTheWindow() {
        test::RunDir dir;
        QTemporaryDir media;
        QDir().mkpath(media.path() + QStringLiteral("/sub"));
        const QString a = media.path() + QStringLiteral("/sub/片段 one.mp4");
        const QString b = media.path() + QStringLiteral("/two.mp4");
        QVERIFY(test::makeClip(a, 1.0));
        QVERIFY(test::makeClip(b, 2.0));
        const QString out = dir.path() + QStringLiteral("/成品");

        MainWindow window;
        window.show();
        ListCommands *commands = window.listCommands(0);
        commands->setFolderChooser([&](QWidget *, const QString &) { return media.path(); });
        QSignalSpy added(commands, &ListCommands::addingFinished);
        control<QAbstractButton>(window, "超级按钮6")->click();
        QVERIFY(added.wait(10000));
        VideoList *list = window.convertList();
        QCOMPARE(list->itemCount(), 2);
        QCOMPARE(list->itemText(0, 1), a); // subfolders first, the folder's own files last
        QCOMPARE(list->itemText(1, 1), b);

        control<QAbstractButton>(window, "单选框4")->click(); // MKV
        control<QAbstractButton>(window, "单选框9")->click(); // 指定位置
        control<QLineEdit>(window, "编辑框1")->setText(out);
        auto *start = control<QAbstractButton>(window, "超级按钮13");
        auto *bar = control<QProgressBar>(window, "进度条1");
        start->click();
        QCOMPARE(start->text(), QStringLiteral("停止转换"));
        QTRY_VERIFY(bar->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("开始转换"), 60000);
        QTRY_VERIFY(!bar->isVisible());

        for (int row = 0; row < 2; ++row)
            QCOMPARE(list->itemText(row, 2), QStringLiteral("任务完成"));
        for (const QString &source : {a, b}) {
            const QString target = out + u'/' + QFileInfo(source).completeBaseName() + QStringLiteral(".mkv");
            QVERIFY2(QFileInfo::exists(target), qPrintable(target));
            QVERIFY(qAbs(test::mediaDuration(target) - test::mediaDuration(source)) < 0.1);
            QVERIFY(QFileInfo::exists(source));
        }
        const SettingsFile settings = SettingsFile::standard();
        QCOMPARE(settings.read(QStringLiteral("批量转换视频"), QStringLiteral("保存方式")),
                 QStringLiteral("b"));
        QCOMPARE(settings.read(QStringLiteral("批量转换视频"), QStringLiteral("保存位置")), out);
        window.setCloseQuestion([] { return true; });
    }

    void countsFollowTheLists() {
        test::RunDir dir;
        MainWindow window;
        window.show();
        const auto addTo = [&](int list, const QStringList &paths) {
            QSignalSpy added(window.listCommands(list), &ListCommands::addingFinished);
            window.listCommands(list)->addPaths(paths);
            QVERIFY(added.count() > 0 || added.wait(20000));
        };
        addTo(1, {QStringLiteral("/nowhere/a.mp4"), QStringLiteral("/nowhere/b.mp4")});
        addTo(2, {QStringLiteral("/nowhere/c.mp4"), QStringLiteral("/nowhere/d.mp4"),
                  QStringLiteral("/nowhere/e.mp4")});
        addTo(3, {QStringLiteral("/nowhere/f.mp4")});

        QCOMPARE(control<QLabel>(window, "透明标签12")->text(), QStringLiteral("共 2 个视频"));
        QCOMPARE(control<QLabel>(window, "透明标签13")->text(), QStringLiteral("共 3 个视频"));
        QCOMPARE(control<QLabel>(window, "透明标签11")->text(), QStringLiteral("6"));
        QVERIFY(control<QAbstractButton>(window, "超级按钮26")->isEnabled());
        QCOMPARE(control<QLabel>(window, "透明标签35")->text(), QStringLiteral("共 1 个视频"));
        // A file the tool cannot read keeps its row with an empty duration.
        QCOMPARE(window.mergeFirstList()->itemText(0, 2), QString());

        control<QAbstractButton>(window, "选择框3")->click(); // join all second parts
        QCOMPARE(control<QLabel>(window, "透明标签11")->text(), QStringLiteral("2"));

        control<QAbstractButton>(window, "超级按钮17")->click(); // 清空表格 of the first list
        QCOMPARE(control<QLabel>(window, "透明标签12")->text(), QStringLiteral("共 0 个视频"));
        QCOMPARE(control<QLabel>(window, "透明标签11")->text(), QStringLiteral("0"));
        QVERIFY(!control<QAbstractButton>(window, "超级按钮26")->isEnabled());
        window.setCloseQuestion([] { return true; });
    }
};

QTEST_MAIN(WindowFlowTest)
#include "test_window_flow.moc"
