#include "tool/progress_monitor.h"

#include "tool/path_helpers.h"
#include "tool/run_directory.h"

#include <QRegularExpression>
#include <QStringList>

namespace yz {

ProgressMonitor::ProgressMonitor(QObject *parent) : QObject(parent) {}

void ProgressMonitor::setTotalDuration(const QString &duration) {
    QMutexLocker locker(&m_mutex);
    m_totalDuration = duration;
    m_complete = false; // a new run is about to start
}

QString ProgressMonitor::totalDuration() const {
    QMutexLocker locker(&m_mutex);
    return m_totalDuration;
}

void ProgressMonitor::setLastStatus(const QString &status) {
    QMutexLocker locker(&m_mutex);
    m_lastStatus = status;
}

QString ProgressMonitor::lastStatus() const {
    QMutexLocker locker(&m_mutex);
    return m_lastStatus;
}

int ProgressMonitor::percent() const {
    QMutexLocker locker(&m_mutex);
    return m_percent;
}

void ProgressMonitor::setPercent(int percent) {
    {
        QMutexLocker locker(&m_mutex);
        if (m_percent == percent)
            return;
        m_percent = percent;
    }
    Q_EMIT percentChanged(percent);
}

void ProgressMonitor::reportProgress(const ToolReport &report) {
    int value;
    {
        QMutexLocker locker(&m_mutex);
        m_lastStatus = report.status;
        // A finished run (or one the tool gave up on with an I/O error) is complete, also
        // through the output that follows the marker (ffmpeg writes the overhead figure
        // separately); while it runs the bar follows the elapsed time.
        if (report.status == status::Done || report.status == status::IoError)
            m_complete = true;
        value = m_complete ? 100 : percentOf(toSeconds(report.time), toSeconds(m_totalDuration));
    }
    setPercent(value);
}

OutputHandler ProgressMonitor::handler() {
    return [this](const ToolReport &report) { reportProgress(report); };
}

void ProgressMonitor::showFor(int items) {
    {
        QMutexLocker locker(&m_mutex);
        m_percent = 0;
        m_complete = false;
    }
    Q_EMIT shown(items);
    Q_EMIT percentChanged(0);
    Q_EMIT itemChanged(1, items);
}

void ProgressMonitor::startItem(int item, int items) {
    {
        QMutexLocker locker(&m_mutex);
        m_complete = false;
    }
    Q_EMIT itemChanged(item, items);
}

void ProgressMonitor::hide() {
    Q_EMIT hidden();
}

int toSeconds(const QString &clock) {
    const QStringList parts = clock.split(u':');
    if (parts.size() >= 3) {
        return static_cast<int>(leadingNumber(parts.at(0)) * 3600 + leadingNumber(parts.at(1)) * 60 +
                                leadingNumber(parts.at(2)));
    }
    // Not a clock text: read the fixed positions as the classic format would.
    return static_cast<int>(leadingNumber(clock.left(2)) * 3600 + leadingNumber(clock.mid(3, 2)) * 60 +
                            leadingNumber(clock.right(2)));
}

int percentOf(int elapsedSeconds, int totalSeconds) {
    if (totalSeconds <= 0)
        return 0;
    const long long e = elapsedSeconds;
    const long long t = totalSeconds;
    return static_cast<int>((200 * e + t) / (2 * t));
}

QString durationFromOutput(const QString &output) {
    QString piece = textBetween(output, QStringLiteral("Duration: "), QStringLiteral("."));
    piece.remove(QStringLiteral("\r\n"));
    // "Duration: N/A" and other texts are no duration.
    static const QRegularExpression clock(QStringLiteral("^\\d+:\\d\\d:\\d\\d$"));
    if (!clock.match(piece).hasMatch())
        return {};
    return piece;
}

QString probeOutput(const QString &path, const QString &program) {
    QString output;
    runTool(program, ArgLine().opts(QStringLiteral("-i")).barePath(shortForm(path)), {}, &output);
    return output;
}

QString probeDuration(const QString &path, const QString &program) {
    return durationFromOutput(probeOutput(path, program));
}

QString probeDuration(const QString &path) {
    return probeDuration(path, toolPath());
}

QSize readFrameSize(const QString &output) {
    // The size in a stream description stands alone between commas or blanks; the
    // codec tag "(avc1 / 0x31637661)" and similar never end in one of those.
    static const QRegularExpression size(QStringLiteral("(?:^|[\\s,])(\\d+)x(\\d+)(?=$|[\\s,\\[])"));
    const QString text = QString(output).remove(QStringLiteral("\r\n"));
    qsizetype from = 0;
    while (true) {
        const qsizetype video = text.indexOf(QStringLiteral("Video: "), from);
        if (video < 0)
            break;
        // One stream description: up to the next stream, a progress line, or a sane length.
        qsizetype end = qMin<qsizetype>(text.size(), video + 400);
        for (const QString &stop : {QStringLiteral("Stream #"), QStringLiteral("\r"), QStringLiteral("\n")}) {
            const qsizetype at = text.indexOf(stop, video);
            if (at >= 0 && at < end)
                end = at;
        }
        const QString line = text.mid(video, end - video);
        const QRegularExpressionMatch m = size.match(line);
        if (m.hasMatch()) {
            const int w = m.captured(1).toInt();
            const int h = m.captured(2).toInt();
            if (w > 0 && h > 0)
                return QSize(w, h);
        }
        from = video + 7;
    }

    // Output without stream headers: the classic rules around "yuv420p".
    int width = static_cast<int>(
        leadingNumber(textBetween(output, QStringLiteral("yuv420p, "), QStringLiteral("x"))));
    int height = 0;
    if (width > 0)
        height = static_cast<int>(leadingNumber(textBetween(
            output, QStringLiteral("yuv420p, ") + QString::number(width) + u'x', QStringLiteral(","))));
    if (width == 0 || height == 0) {
        QString u = textBetween(output, QStringLiteral("yuv420p"), QStringLiteral("["));
        u.remove(u' ');
        width = static_cast<int>(leadingNumber(textBetween(u, QStringLiteral("),"), QStringLiteral("x"))));
        height = static_cast<int>(leadingNumber(textAfterLast(u, QString::number(width) + u'x')));
    }
    if (width <= 0 || height <= 0)
        return QSize(0, 0);
    return QSize(width, height);
}

} // namespace yz
