#include "app/merge_counts.h"

#include "lists/video_list.h"

#include <QAbstractButton>
#include <QLabel>

namespace yz {

namespace {

QString videoCountText(int count) {
    return QStringLiteral("共 %1 个视频").arg(count);
}

bool ticked(const QAbstractButton *box) {
    return box && box->isChecked();
}

} // namespace

int mergeVideoCount(int firstItems, bool joinAllFirst, int secondItems, bool joinAllSecond) {
    const int first = joinAllFirst && firstItems > 0 ? 1 : firstItems;
    const int second = joinAllSecond && secondItems > 0 ? 1 : secondItems;
    return first * second;
}

void refreshMergeCounts(const MergeCountWidgets &w) {
    const int firstItems = w.first ? w.first->itemCount() : 0;
    const int secondItems = w.second ? w.second->itemCount() : 0;
    if (w.firstCount)
        w.firstCount->setText(videoCountText(firstItems));
    if (w.secondCount)
        w.secondCount->setText(videoCountText(secondItems));
    if (w.joinAllFirst)
        w.joinAllFirst->setEnabled(firstItems >= 2);
    if (w.joinAllSecond)
        w.joinAllSecond->setEnabled(secondItems >= 2);
    // The tick counts even on a disabled box.
    const int videos =
        mergeVideoCount(firstItems, ticked(w.joinAllFirst), secondItems, ticked(w.joinAllSecond));
    if (w.newVideos)
        w.newVideos->setText(QString::number(videos));
    if (w.start && w.start->text() == QStringLiteral("开始合并"))
        w.start->setEnabled(videos > 0);
}

void connectMergeCounts(const MergeCountWidgets &widgets) {
    for (QAbstractButton *box : {widgets.joinAllFirst, widgets.joinAllSecond}) {
        if (box)
            QObject::connect(box, &QAbstractButton::clicked, box, [widgets] { refreshMergeCounts(widgets); });
    }
    refreshMergeCounts(widgets);
}

void refreshClipCount(const VideoList *clipList, QLabel *countLabel,
                      const std::function<void()> &reevaluateOptions) {
    if (countLabel)
        countLabel->setText(videoCountText(clipList ? clipList->itemCount() : 0));
    if (reevaluateOptions)
        reevaluateOptions();
}

} // namespace yz
