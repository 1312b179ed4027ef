#include "app/merge_page.h"

#include "app/form_widgets.h"
#include "app/output_row.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace yz {

MergePage::MergePage(VideoList *firstList, VideoList *secondList, QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    // Each merge-all box sits in its list's button row, before the count.
    auto addMergeAll = [](ListControls &controls, QCheckBox *box) {
        controls.buttonRow->insertWidget(controls.buttonRow->count() - 1, box);
        controls.buttonRow->insertSpacing(controls.buttonRow->count() - 2, 12);
        box->setEnabled(false);
    };

    firstBox = stepBox(QStringLiteral("mergeFirstBox"), QStringLiteral("第一步：添加原视频１"), this);
    auto *firstLayout = new QVBoxLayout(firstBox);
    first = buildListControls(firstList,
                              {QStringLiteral("超级列表框2"), QStringLiteral("超级按钮14"),
                               QStringLiteral("超级按钮15"), QStringLiteral("超级按钮18"),
                               QStringLiteral("超级按钮19"), QStringLiteral("超级按钮16"),
                               QStringLiteral("超级按钮17"), QStringLiteral("透明标签12"),
                               QStringLiteral("删除已选择的原视频１地址")},
                              firstBox, firstLayout);
    mergeAllFirstBox = checkBox(QStringLiteral("选择框2"), QStringLiteral("合并所有原视频１"), firstBox);
    addMergeAll(first, mergeAllFirstBox);
    layout->addWidget(firstBox, 1);

    secondBox = stepBox(QStringLiteral("mergeSecondBox"), QStringLiteral("第二步：添加原视频２"), this);
    auto *secondLayout = new QVBoxLayout(secondBox);
    second = buildListControls(secondList,
                               {QStringLiteral("超级列表框3"), QStringLiteral("超级按钮20"),
                                QStringLiteral("超级按钮21"), QStringLiteral("超级按钮24"),
                                QStringLiteral("超级按钮25"), QStringLiteral("超级按钮22"),
                                QStringLiteral("超级按钮23"), QStringLiteral("透明标签13"),
                                QStringLiteral("删除已选择的原视频２地址")},
                               secondBox, secondLayout);
    mergeAllSecondBox = checkBox(QStringLiteral("选择框3"), QStringLiteral("合并所有原视频２"), secondBox);
    addMergeAll(second, mergeAllSecondBox);
    layout->addWidget(secondBox, 1);

    auto *settingsRow = new QHBoxLayout;
    settingsRow->setSpacing(8);
    const ContainerStep containers = containerStep(QStringLiteral("mergeFormatBox"), 10, this);
    formatBox = containers.box;
    formatGroup = containers.formats.group;
    formatRadios = containers.formats.radios;
    settingsRow->addWidget(formatBox);

    outputBox = stepBox(QStringLiteral("分组框4"), QStringLiteral("第四步：设置新视频保存位置"), this);
    auto *outputLayout = new QHBoxLayout(outputBox);
    outputRow = new OutputRow(
        QString::fromUtf8(SettingsSection), QStringLiteral("新视频保存位置"),
        {QStringLiteral("编辑框2"), QStringLiteral("超级按钮27"), QStringLiteral("超级按钮28")}, outputBox);
    folderEdit = outputRow->folderEdit;
    browseButton = outputRow->browseButton;
    openFolderButton = outputRow->openButton;
    outputLayout->addWidget(outputRow);
    settingsRow->addWidget(outputBox, 1);
    layout->addLayout(settingsRow);

    auto *bottom = new QHBoxLayout;
    auto *before = new QLabel(QStringLiteral("可生成"), this);
    newVideosLabel = new QLabel(QStringLiteral("0"), this);
    newVideosLabel->setObjectName(QStringLiteral("透明标签11"));
    newVideosLabel->setAlignment(Qt::AlignCenter);
    newVideosLabel->setMinimumWidth(
        newVideosLabel->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    newVideosLabel->setStyleSheet(QStringLiteral("color: #d2401f; font-weight: bold; font-size: 12pt;"));
    auto *after = new QLabel(QStringLiteral("个新视频"), this);
    startButton = yz::startButton(QStringLiteral("超级按钮26"), QStringLiteral("开始合并"), this);
    startButton->setEnabled(false);
    bottom->addSpacing(4);
    bottom->addWidget(before);
    bottom->addWidget(newVideosLabel);
    bottom->addWidget(after);
    bottom->addStretch(1);
    bottom->addWidget(startButton);
    layout->addLayout(bottom);
}

void MergePage::restore() {
    outputRow->restore();
}

QString MergePage::targetFormat() const {
    return checkedFormat(formatRadios, QStringLiteral("mp4"));
}

} // namespace yz
