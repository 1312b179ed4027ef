#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace yz {

class ProgressMonitor;

/// The progress area shared by every job, outside the pages: the item bar 进度条2 with its
/// counter 透明标签5 ("<i> / <n>") and the percentage bar 进度条1 with its label 透明标签4
/// ("<N> %"). Hidden until a job shows it; the space it takes stays reserved, so the window
/// does not jump.
class ProgressArea final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressArea)

public:
    explicit ProgressArea(QWidget *parent = nullptr);

    /// Lets a job's monitor drive the area; any number of monitors may be attached.
    void attach(ProgressMonitor *monitor);

    /// Shows the area for n items: "0 %", item 1 of n.
    void showFor(int items);
    /// Item i of n: 进度条2 at i, 透明标签5 "i / n".
    void startItem(int item, int items);
    /// "<N> %" as computed; the bar stays within 0 to 100.
    void setPercent(int percent);
    /// Hides all four controls.
    void hideAll();

    /// Whether the four controls are shown (set by showFor and hideAll).
    bool isShown() const { return m_shown; }

    QProgressBar *const itemBar;    ///< 进度条2
    QLabel *const itemLabel;        ///< 透明标签5, form text "0 / 0"
    QProgressBar *const percentBar; ///< 进度条1, range 0 to 100
    QLabel *const percentLabel;     ///< 透明标签4, form text "0 %"

private:
    void setControlsVisible(bool visible);
    void setItemRange(int items);

    bool m_shown = false;
};

} // namespace yz
