#pragma once

#include "app/list_controls.h"

#include <QList>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace yz {

class OutputRow;
class VideoList;

/// The "视频转换" page: the conversion list, the target format, where the new files go,
/// the delete-after-success choice and the start button. Builds and lays out the controls
/// only; the list commands and the job are wired from outside.
class ConvertPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConvertPage)

public:
    static constexpr const char *SettingsSection = "批量转换视频";

    explicit ConvertPage(VideoList *list, QWidget *parent = nullptr);

    /// Start-up: the output folder (created when missing) and the save mode from "保存方式"
    /// ("b", the default, checks "指定位置"; any other value "保存在原视频相同位置").
    void restore();

    /// The chosen format word: "mp4", "flv", "mov", "mkv", "ts", "wmv" or "mp3" (also when
    /// no radio is checked). UI thread.
    QString targetFormat() const;

    // Step 1, "第一步：添加要转换的视频"
    QGroupBox *listBox;
    ListControls list; ///< 超级列表框1; 超级按钮5, 6, 9, 10, 7 "删除已选择的原视频地址", 8

    // Step 2, "第二步：选择目标媒体格式"
    QGroupBox *formatBox;
    QButtonGroup *formatGroup;
    QList<QRadioButton *> formatRadios; ///< 单选框1 "MP4视频" … 单选框7 "MP3音频"; property "format"

    // Step 3, "第三步：选择新媒体保存位置"
    QGroupBox *locationBox;
    QButtonGroup *locationGroup;
    QRadioButton *besideSourceRadio; ///< 单选框8 "保存在原视频相同位置"
    QRadioButton *chosenFolderRadio; ///< 单选框9 "指定位置"
    OutputRow *outputRow;          ///< 编辑框1, 超级按钮11 "浏览", 超级按钮12 "打开文件夹"
    QLineEdit *folderEdit;         ///< = outputRow->folderEdit (编辑框1)
    QPushButton *browseButton;     ///< = outputRow->browseButton (超级按钮11)
    QPushButton *openFolderButton; ///< = outputRow->openButton (超级按钮12)

    QCheckBox *deleteSourcesBox; ///< 选择框1 "转换成功后，删除原视频文件（删除后的文件不能恢复）"
    QPushButton *startButton; ///< 超级按钮13 "开始转换"; startIcon() / stopIcon()
};

} // namespace yz
