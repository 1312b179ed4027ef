#pragma once

#include <QString>

class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace yz {

class VideoList;
class VideoListView;

/// The controls of one video list on its page: the view over the list model and the
/// buttons that fill and edit it. The widgets belong to the page; the model belongs to the
/// MainWindow. Nothing is connected here: the list controllers wire the buttons.
struct ListControls {
    VideoList *list = nullptr;              ///< the model
    VideoListView *view = nullptr;          ///< 超级列表框N
    QPushButton *addFiles = nullptr;        ///< "添加视频"
    QPushButton *addFolder = nullptr;       ///< "添加视频文件夹"
    QPushButton *selectAll = nullptr;       ///< "全选"
    QPushButton *invertSelection = nullptr; ///< "反选"
    QPushButton *removeSelected = nullptr;  ///< "删除已选择的…地址"
    QPushButton *clear = nullptr;           ///< "清空表格"
    QLabel *count = nullptr;                ///< "共 0 个视频"; none on the conversion page
    QHBoxLayout *buttonRow = nullptr;       ///< the row under the view, where a page adds its own controls
};

/// Form names (objectName) of one list's controls, and the caption of its remove button.
struct ListFormNames {
    QString view;
    QString addFiles;
    QString addFolder;
    QString selectAll;
    QString invertSelection;
    QString removeSelected;
    QString clear;
    QString count; ///< empty: the list has no count label
    QString removeCaption;
};

/// Builds the view (stretching) and, under it, the button row into `layout`; the count
/// label, when named, ends the row.
ListControls buildListControls(VideoList *list, const ListFormNames &names, QWidget *parent,
                               QBoxLayout *layout);

/// The text of a count label: "共 <count> 个视频".
QString countText(int count);

} // namespace yz
