#include "app/list_controls.h"

#include "app/theme.h"
#include "app/video_list_view.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace yz {

namespace {

QPushButton *button(const QString &name, const QString &caption, QWidget *parent) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QString countText(int count) {
    return QStringLiteral("共 %1 个视频").arg(count);
}

ListControls buildListControls(VideoList *list, const ListFormNames &names, QWidget *parent,
                               QBoxLayout *layout) {
    ListControls c;
    c.list = list;
    c.view = new VideoListView(list, parent);
    c.view->setObjectName(names.view);
    c.view->setMinimumHeight(90);
    layout->addWidget(c.view, 1);

    c.addFiles = button(names.addFiles, QStringLiteral("添加视频"), parent);
    c.addFolder = button(names.addFolder, QStringLiteral("添加视频文件夹"), parent);
    c.selectAll = button(names.selectAll, QStringLiteral("全选"), parent);
    c.invertSelection = button(names.invertSelection, QStringLiteral("反选"), parent);
    c.removeSelected = button(names.removeSelected, names.removeCaption, parent);
    c.clear = button(names.clear, QStringLiteral("清空表格"), parent);

    c.buttonRow = new QHBoxLayout;
    c.buttonRow->setSpacing(6);
    for (QPushButton *b :
         {c.addFiles, c.addFolder, c.selectAll, c.invertSelection, c.removeSelected, c.clear})
        c.buttonRow->addWidget(b);
    c.buttonRow->addStretch(1);
    if (!names.count.isEmpty()) {
        c.count = new QLabel(countText(0), parent);
        c.count->setObjectName(names.count);
        c.count->setProperty(CountLabelProperty, true);
        c.count->setMinimumWidth(c.count->fontMetrics().horizontalAdvance(countText(9999)));
        c.count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c.buttonRow->addWidget(c.count);
    }
    layout->addLayout(c.buttonRow);
    return c;
}

} // namespace yz
