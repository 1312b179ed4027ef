#include "app/convert_page.h"

#include "app/form_widgets.h"
#include "app/output_row.h"
#include "tool/settings_file.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace yz {

ConvertPage::ConvertPage(VideoList *videoList, QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    listBox = stepBox(QStringLiteral("convertListBox"), QStringLiteral("第一步：添加要转换的视频"), this);
    auto *listLayout = new QVBoxLayout(listBox);
    list = buildListControls(
        videoList,
        {QStringLiteral("超级列表框1"), QStringLiteral("超级按钮5"), QStringLiteral("超级按钮6"),
         QStringLiteral("超级按钮9"), QStringLiteral("超级按钮10"), QStringLiteral("超级按钮7"),
         QStringLiteral("超级按钮8"), QString(), QStringLiteral("删除已选择的原视频地址")},
        listBox, listLayout);
    layout->addWidget(listBox, 1);

    formatBox = stepBox(QStringLiteral("convertFormatBox"), QStringLiteral("第二步：选择目标媒体格式"), this);
    auto *formatLayout = new QHBoxLayout(formatBox);
    formatLayout->setSpacing(22);
    const FormatRadios formats = yz::formatRadios(
        1,
        {QStringLiteral("MP4视频"), QStringLiteral("FLV视频"), QStringLiteral("MOV视频"),
         QStringLiteral("MKV视频"), QStringLiteral("TS视频"), QStringLiteral("WMV视频"),
         QStringLiteral("MP3音频")},
        {QStringLiteral("mp4"), QStringLiteral("flv"), QStringLiteral("mov"), QStringLiteral("mkv"),
         QStringLiteral("ts"), QStringLiteral("wmv"), QStringLiteral("mp3")},
        formatBox);
    formatGroup = formats.group;
    formatRadios = formats.radios;
    for (QRadioButton *radio : formatRadios)
        formatLayout->addWidget(radio);
    formatLayout->addStretch(1);
    layout->addWidget(formatBox);

    locationBox =
        stepBox(QStringLiteral("convertLocationBox"), QStringLiteral("第三步：选择新媒体保存位置"), this);
    auto *locationLayout = new QHBoxLayout(locationBox);
    locationLayout->setSpacing(12);
    besideSourceRadio =
        radioButton(QStringLiteral("单选框8"), QStringLiteral("保存在原视频相同位置"), locationBox);
    chosenFolderRadio = radioButton(QStringLiteral("单选框9"), QStringLiteral("指定位置"), locationBox);
    locationGroup = new QButtonGroup(this);
    locationGroup->addButton(besideSourceRadio, 0);
    locationGroup->addButton(chosenFolderRadio, 1);
    chosenFolderRadio->setChecked(true);
    outputRow = new OutputRow(
        QString::fromUtf8(SettingsSection), QStringLiteral("新媒体保存位置"),
        {QStringLiteral("编辑框1"), QStringLiteral("超级按钮11"), QStringLiteral("超级按钮12")}, locationBox);
    folderEdit = outputRow->folderEdit;
    browseButton = outputRow->browseButton;
    openFolderButton = outputRow->openButton;
    locationLayout->addWidget(besideSourceRadio);
    locationLayout->addWidget(chosenFolderRadio);
    locationLayout->addWidget(outputRow, 1);
    layout->addWidget(locationBox);
    // Browsing means the user wants the chosen folder, whatever the dialog's outcome.
    connect(outputRow, &OutputRow::browseStarted, this, [this] { chosenFolderRadio->setChecked(true); });

    auto *bottom = new QHBoxLayout;
    deleteSourcesBox = checkBox(QStringLiteral("选择框1"),
                                QStringLiteral("转换成功后，删除原视频文件（删除后的文件不能恢复）"), this);
    startButton = yz::startButton(QStringLiteral("超级按钮13"), QStringLiteral("开始转换"), this);
    bottom->addSpacing(4);
    bottom->addWidget(deleteSourcesBox);
    bottom->addStretch(1);
    bottom->addWidget(startButton);
    layout->addLayout(bottom);
}

void ConvertPage::restore() {
    outputRow->restore();
    const QString mode = SettingsFile::standard().read(QString::fromUtf8(SettingsSection),
                                                       QStringLiteral("保存方式"), QStringLiteral("b"));
    (mode == QStringLiteral("b") ? chosenFolderRadio : besideSourceRadio)->setChecked(true);
}

QString ConvertPage::targetFormat() const {
    return checkedFormat(formatRadios, QStringLiteral("mp3"));
}

} // namespace yz
