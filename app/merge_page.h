#pragma once

#include "app/list_controls.h"

#include <QList>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace yz {

class OutputRow;
class VideoList;

/// The "合并视频" page: the lists of first and second parts, the merge-all choices, the
/// output container and folder, the number of new videos and the start button. Builds and
/// lays out the controls only; counts, list commands and the job are wired from outside.
class MergePage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MergePage)

public:
    static constexpr const char *SettingsSection = "批量合并视频";

    MergePage(VideoList *firstList, VideoList *secondList, QWidget *parent = nullptr);

    /// Start-up: the output folder, created when missing.
    void restore();

    /// The chosen container word: "mp4", "flv", "mov", "mkv", "ts" or "wmv". UI thread.
    QString targetFormat() const;

    // Step 1, "第一步：添加原视频１"
    QGroupBox *firstBox;
    ListControls first; ///< 超级列表框2; 超级按钮14, 15, 18, 19, 16, 17; count 透明标签12
    QCheckBox *mergeAllFirstBox; ///< 选择框2 "合并所有原视频１"; disabled while the list has < 2 rows

    // Step 2, "第二步：添加原视频２"
    QGroupBox *secondBox;
    ListControls second; ///< 超级列表框3; 超级按钮20, 21, 24, 25, 22, 23; count 透明标签13
    QCheckBox *mergeAllSecondBox; ///< 选择框3 "合并所有原视频２"

    // Step 3, "第三步：选择新视频格式"
    QGroupBox *formatBox;
    QButtonGroup *formatGroup;
    QList<QRadioButton *> formatRadios; ///< 单选框10 "MP4" … 单选框15 "WMV"; MP4 checked

    // Step 4, "第四步：设置新视频保存位置"
    QGroupBox *outputBox;          ///< 分组框4
    OutputRow *outputRow;          ///< 编辑框2, 超级按钮27 "浏览", 超级按钮28 "打开文件夹"
    QLineEdit *folderEdit;         ///< = outputRow->folderEdit (编辑框2)
    QPushButton *browseButton;     ///< = outputRow->browseButton (超级按钮27)
    QPushButton *openFolderButton; ///< = outputRow->openButton (超级按钮28)

    QLabel *newVideosLabel;   ///< 透明标签11 "0", inside "可生成 … 个新视频"
    QPushButton *startButton; ///< 超级按钮26 "开始合并"; disabled while no new video can be made
};

} // namespace yz
