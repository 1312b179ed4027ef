#pragma once

#include <functional>

class QAbstractButton;
class QLabel;

namespace yz {

class VideoList;

/// The merge page's counters: both lists' counts, the merge-all boxes, the number of
/// new videos and whether "开始合并" may be pressed.
struct MergeCountWidgets {
    VideoList *first = nullptr;               ///< 超级列表框2
    VideoList *second = nullptr;              ///< 超级列表框3
    QLabel *firstCount = nullptr;             ///< 透明标签12
    QLabel *secondCount = nullptr;            ///< 透明标签13
    QLabel *newVideos = nullptr;              ///< 透明标签11
    QAbstractButton *joinAllFirst = nullptr;  ///< 选择框2 "合并所有原视频１"
    QAbstractButton *joinAllSecond = nullptr; ///< 选择框3 "合并所有原视频２"
    QAbstractButton *start = nullptr;         ///< 超级按钮26 "开始合并"
};

/// Number of new videos a merge run makes: each list counts as one part when its
/// merge-all box is ticked and it has rows, else as its row count; the product of both.
int mergeVideoCount(int firstItems, bool joinAllFirst, int secondItems, bool joinAllSecond);

/// Shows both counts, enables each merge-all box only for two rows or more (a disabled
/// box keeps its tick), shows the number of new videos and enables "开始合并" when it is
/// above 0. While a run owns the button (its caption is not "开始合并") the button's
/// enabled state is left to the run.
void refreshMergeCounts(const MergeCountWidgets &widgets);

/// Runs refreshMergeCounts when either merge-all box is clicked, and once now.
void connectMergeCounts(const MergeCountWidgets &widgets);

/// Shows the clip list's count in 透明标签35, then runs the clip page's option
/// re-evaluation (which decides whether "开始剪辑" may be pressed), when given.
void refreshClipCount(const VideoList *clipList, QLabel *countLabel,
                      const std::function<void()> &reevaluateOptions = {});

} // namespace yz
