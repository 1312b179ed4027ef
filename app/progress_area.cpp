#include "app/progress_area.h"

#include "tool/progress_monitor.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace yz {

ProgressArea::ProgressArea(QWidget *parent)
    : QWidget(parent), itemBar(new QProgressBar(this)), itemLabel(new QLabel(QStringLiteral("0 / 0"), this)),
      percentBar(new QProgressBar(this)), percentLabel(new QLabel(QStringLiteral("0 %"), this)) {
    itemBar->setObjectName(QStringLiteral("进度条2"));
    itemLabel->setObjectName(QStringLiteral("透明标签5"));
    percentBar->setObjectName(QStringLiteral("进度条1"));
    percentLabel->setObjectName(QStringLiteral("透明标签4"));

    itemBar->setRange(0, 1);
    itemBar->setValue(0);
    percentBar->setRange(0, 100);
    percentBar->setValue(0);
    for (QProgressBar *bar : {itemBar, percentBar}) {
        bar->setTextVisible(false);
        bar->setMinimumWidth(220);
    }
    const int labelWidth = itemLabel->fontMetrics().horizontalAdvance(QStringLiteral("9999 / 9999")) + 8;
    for (QLabel *label : {itemLabel, percentLabel}) {
        label->setMinimumWidth(labelWidth);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(4);
    layout->addWidget(itemBar, 0, 0);
    layout->addWidget(itemLabel, 0, 1);
    layout->addWidget(percentBar, 1, 0);
    layout->addWidget(percentLabel, 1, 1);

    for (QWidget *w : std::initializer_list<QWidget *>{itemBar, itemLabel, percentBar, percentLabel}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    setControlsVisible(false);
}

void ProgressArea::attach(ProgressMonitor *monitor) {
    // The monitor signals from job threads; with this area as context they arrive queued
    // on the window's thread.
    connect(monitor, &ProgressMonitor::shown, this, &ProgressArea::showFor);
    connect(monitor, &ProgressMonitor::itemChanged, this, &ProgressArea::startItem);
    connect(monitor, &ProgressMonitor::percentChanged, this, &ProgressArea::setPercent);
    connect(monitor, &ProgressMonitor::hidden, this, &ProgressArea::hideAll);
}

void ProgressArea::showFor(int items) {
    percentLabel->setText(QStringLiteral("0 %"));
    percentBar->setValue(0);
    setItemRange(items);
    itemBar->setValue(0);
    itemLabel->setText(QStringLiteral("1 / %1").arg(items));
    setControlsVisible(true);
}

void ProgressArea::startItem(int item, int items) {
    setItemRange(items);
    itemBar->setValue(std::clamp(item, 0, itemBar->maximum()));
    itemLabel->setText(QStringLiteral("%1 / %2").arg(item).arg(items));
}

void ProgressArea::setPercent(int percent) {
    percentLabel->setText(QStringLiteral("%1 %").arg(percent));
    percentBar->setValue(std::clamp(percent, 0, 100));
}

// A range of 0 to 0 would turn the bar into a busy indicator; an empty run shows an empty bar.
void ProgressArea::setItemRange(int items) {
    itemBar->setRange(0, std::max(items, 1));
}

void ProgressArea::hideAll() {
    setControlsVisible(false);
}

void ProgressArea::setControlsVisible(bool visible) {
    m_shown = visible;
    for (QWidget *w : std::initializer_list<QWidget *>{itemBar, itemLabel, percentBar, percentLabel})
        w->setVisible(visible);
}

} // namespace yz
