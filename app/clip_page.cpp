#include "app/clip_page.h"

#include "app/form_widgets.h"
#include "app/output_row.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace yz {

ClipPage::ClipPage(VideoList *videoList, QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    listBox = stepBox(QStringLiteral("clipListBox"), QStringLiteral("第一步：添加原视频"), this);
    auto *listLayout = new QVBoxLayout(listBox);
    list = buildListControls(videoList,
                             {QStringLiteral("超级列表框4"), QStringLiteral("超级按钮29"),
                              QStringLiteral("超级按钮30"), QStringLiteral("超级按钮33"),
                              QStringLiteral("超级按钮34"), QStringLiteral("超级按钮31"),
                              QStringLiteral("超级按钮32"), QStringLiteral("透明标签35"),
                              QStringLiteral("删除已选择的原视频地址")},
                             listBox, listLayout);
    layout->addWidget(listBox, 1);

    optionsArea = stepBox(QStringLiteral("clipOptionsArea"), QStringLiteral("第二步：设置新视频选项"), this);
    optionsArea->setMinimumHeight(220);
    layout->addWidget(optionsArea, 1);

    auto *settingsRow = new QHBoxLayout;
    settingsRow->setSpacing(8);
    const ContainerStep containers = containerStep(QStringLiteral("clipFormatBox"), 16, this);
    formatBox = containers.box;
    formatGroup = containers.formats.group;
    formatRadios = containers.formats.radios;
    settingsRow->addWidget(formatBox);

    outputBox = stepBox(QStringLiteral("clipOutputBox"), QStringLiteral("第四步：设置新视频保存位置"), this);
    auto *outputLayout = new QHBoxLayout(outputBox);
    outputRow = new OutputRow(
        QString::fromUtf8(SettingsSection), QStringLiteral("新视频保存位置"),
        {QStringLiteral("编辑框3"), QStringLiteral("超级按钮35"), QStringLiteral("超级按钮36")}, outputBox);
    folderEdit = outputRow->folderEdit;
    browseButton = outputRow->browseButton;
    openFolderButton = outputRow->openButton;
    outputLayout->addWidget(outputRow);
    settingsRow->addWidget(outputBox, 1);

    startButton = yz::startButton(QStringLiteral("超级按钮37"), QStringLiteral("开始剪辑"), this);
    startButton->setEnabled(false);
    settingsRow->addWidget(startButton, 0, Qt::AlignBottom);
    layout->addLayout(settingsRow);
}

void ClipPage::restore() {
    outputRow->restore();
}

QString ClipPage::targetFormat() const {
    return checkedFormat(formatRadios, QStringLiteral("mp4"));
}

} // namespace yz
