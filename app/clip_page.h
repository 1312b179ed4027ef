#pragma once

#include "app/list_controls.h"

#include <QList>
#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace yz {

class OutputRow;
class VideoList;

/// The "剪辑视频" page: the clip list, the area for the clip options, the output container
/// and folder, and the start button. Builds and lays out the controls only.
class ClipPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipPage)

public:
    static constexpr const char *SettingsSection = "批量剪辑视频";

    explicit ClipPage(VideoList *list, QWidget *parent = nullptr);

    /// Start-up: the output folder, created when missing.
    void restore();

    /// The chosen container word: "mp4", "flv", "mov", "mkv", "ts" or "wmv". UI thread.
    QString targetFormat() const;

    // Step 1, "第一步：添加原视频"
    QGroupBox *listBox;
    ListControls list; ///< 超级列表框4; 超级按钮29, 30, 33, 34, 31, 32; count 透明标签35

    /// Step 2, "第二步：设置新视频选项" (objectName clipOptionsArea): holds the clip
    /// options; empty here, its owner gives it a layout and its controls.
    QGroupBox *optionsArea;

    // Step 3, "第三步：选择新视频格式"
    QGroupBox *formatBox;
    QButtonGroup *formatGroup;
    QList<QRadioButton *> formatRadios; ///< 单选框16 "MP4" … 单选框21 "WMV"; MP4 checked

    // Step 4, "第四步：设置新视频保存位置"
    QGroupBox *outputBox;
    OutputRow *outputRow;          ///< 编辑框3, 超级按钮35 "浏览", 超级按钮36 "打开文件夹"
    QLineEdit *folderEdit;         ///< = outputRow->folderEdit (编辑框3)
    QPushButton *browseButton;     ///< = outputRow->browseButton (超级按钮35)
    QPushButton *openFolderButton; ///< = outputRow->openButton (超级按钮36)

    QPushButton *startButton; ///< 超级按钮37 "开始剪辑"; disabled until rows and an option are chosen
};

} // namespace yz
