#pragma once

#include "tool/tool_runner.h"

#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>

namespace yz {

/// Turns the reports of monitored tool runs into a percentage and keeps the item
/// counter of a job. Each job owns one; the window's progress area shows the signals
/// of whichever job is running. Thread-safe: jobs call it from their worker threads and
/// the signals reach the window queued.
class ProgressMonitor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressMonitor)

public:
    explicit ProgressMonitor(QObject *parent = nullptr);

    /// Duration (hh:mm:ss) of the item being processed, against which progress is measured.
    void setTotalDuration(const QString &duration);
    QString totalDuration() const;

    /// Status of the last report received (a job may set it too).
    void setLastStatus(const QString &status);
    QString lastStatus() const;

    int percent() const;

    /// The handler for monitored runs: computes the percentage of the report's time
    /// against totalDuration() and records its status. After a completion or I/O error
    /// report it stays at 100 until the next item (setTotalDuration, startItem, showFor).
    void reportProgress(const ToolReport &report);
    OutputHandler handler();

    /// Progress area steps: shown for n items ("0 %", item 1 of n), item i of n, hidden.
    void showFor(int items);
    void startItem(int item, int items);
    void hide();

Q_SIGNALS:
    void percentChanged(int percent);
    void itemChanged(int item, int items);
    void shown(int items);
    void hidden();

private:
    void setPercent(int percent);

    mutable QMutex m_mutex;
    QString m_totalDuration;
    QString m_lastStatus;
    int m_percent = 0;
    bool m_complete = false; // the current run reported completion; set back by the next item
};

/// Seconds of an hh:mm:ss text (hours may have more than two digits); 0 for an empty text.
int toSeconds(const QString &clock);

/// Percentage of elapsed against total, rounded half up; 0 when total is 0.
int percentOf(int elapsedSeconds, int totalSeconds);

/// The duration the tool prints for a media file, as hh:mm:ss without the fraction;
/// empty when it printed none (missing or unreadable file, missing tool).
QString probeDuration(const QString &path);
QString probeDuration(const QString &path, const QString &program);
/// The tool's description of a media file (what "ffmpeg -i path" prints), from which
/// durationFromOutput() and readFrameSize() read.
QString probeOutput(const QString &path, const QString &program);
/// The same, read from collected output.
QString durationFromOutput(const QString &output);

/// Frame size of the first video stream described in collected tool output, whatever its
/// pixel format; 0 x 0 when none is found.
QSize readFrameSize(const QString &output);

} // namespace yz
