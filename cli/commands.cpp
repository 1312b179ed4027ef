#include "cli/commands.h"

#include "cli/console.h"
#include "cli/interrupts.h"
#include "jobs/convert/convert_job.h"
#include "lists/folder_scan.h"
#include "lists/video_list.h"
#include "tool/path_helpers.h"
#include "tool/progress_monitor.h"
#include "tool/run_directory.h"
#include "tool/tool_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace yz::cli {

namespace {

/// Makes sure the tool stands at toolPath(); says clearly what is missing when it cannot.
bool provideTool(Console &console) {
    if (linkToolFromSystemPath())
        return true;
    console.printMessage(QStringLiteral("yanzhou-cli: ffmpeg not found: there is no program at %1 and no "
                                        "ffmpeg on the PATH. Install ffmpeg (for instance \"apt install "
                                        "ffmpeg\") or put it at that path.")
                             .arg(QDir::toNativeSeparators(toolPath())));
    return false;
}

} // namespace

QStringList collectVideos(const QStringList &paths, Console &console) {
    QStringList videos;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        const QString absolute = QDir::cleanPath(info.absoluteFilePath());
        if (!info.isDir()) {
            videos.append(absolute);
            continue;
        }
        const QStringList found = findVideoFiles(absolute);
        if (found.isEmpty())
            console.printMessage(QStringLiteral("yanzhou-cli: no video files in %1").arg(absolute));
        videos += found;
    }
    return videos;
}

int runConvert(const Command &command) {
    Console console;
    const ConvertOptions &options = command.options;
    if (!provideTool(console) && !options.dryRun)
        return 1;

    VideoList list(ListKind::Convert);
    list.appendVideos(collectVideos(command.paths, console));
    const int items = list.itemCount();
    if (items == 0) {
        console.printMessage(QStringLiteral("yanzhou-cli: nothing to convert"));
        return 1;
    }

    ConvertOptions runOptions = options;
    if (!runOptions.beside)
        runOptions.folder = QDir::cleanPath(QFileInfo(runOptions.folder).absoluteFilePath());

    ConvertJob job(&list);
    int succeeded = 0;
    int ended = 0;
    QObject::connect(job.monitor(), &ProgressMonitor::percentChanged, &job,
                     [&](int percent) { console.setPercent(percent); });
    QObject::connect(&job, &ConvertJob::itemStarted, &job,
                     [&](int row, const QString &source, const QString &) {
                         if (!options.dryRun)
                             console.startItem(row + 1, items, fileTitle(source, true));
                     });
    QObject::connect(&job, &ConvertJob::commandPlanned, &job,
                     [&](int, const QString &program, const QString &line) {
                         console.printLine(QDir::toNativeSeparators(program) + line);
                         ++ended;
                         ++succeeded;
                     });
    QObject::connect(
        &job, &ConvertJob::itemFinished, &job, [&](int row, const QString &status, const QString &output) {
            if (options.dryRun)
                return;
            ++ended;
            if (!output.isEmpty())
                ++succeeded;
            const QString source = list.itemText(row, VideoList::PathColumn);
            console.printLine(status + u'\t' + (output.isEmpty() ? QStringLiteral("-") : output) + u'\t' +
                              source);
        });
    QObject::connect(&job, &ConvertJob::finished, &job, [&] {
        console.clearProgress();
        QCoreApplication::exit(0);
    });

    // First Ctrl+C: finish the video being converted, start no other. Second (or a request
    // to end): end the tool now; the job removes its unfinished output.
    Interrupts interrupts;
    int interruptCount = 0;
    QObject::connect(&interrupts, &Interrupts::interrupted, &job, [&](bool terminate) {
        ++interruptCount;
        if (interruptCount == 1 && !terminate) {
            console.printMessage(QStringLiteral("yanzhou-cli: stopping after the current video "
                                                "(Ctrl+C again to stop at once)"));
            job.requestStop();
        } else {
            console.printMessage(QStringLiteral("yanzhou-cli: stopping now"));
            job.abortNow();
        }
    });

    if (!job.start(runOptions))
        return 1;
    QCoreApplication::exec();
    job.wait();

    if (ended < items)
        console.printMessage(QStringLiteral("yanzhou-cli: stopped; %1 of %2 videos not converted")
                                 .arg(items - ended)
                                 .arg(items));
    return succeeded == items ? 0 : 1;
}

int runInfo(const Command &command) {
    Console console;
    if (!provideTool(console))
        return 1;
    const QStringList videos = collectVideos(command.paths, console);
    if (videos.isEmpty())
        return 1;
    bool allRead = true;
    for (const QString &path : videos) {
        const QString duration = probeDuration(path);
        // The frame size as the clip job reads it: from the output of a stream-copy run
        // (into the null muxer, and only the first second, so nothing is written).
        QString output;
        runTool(toolPath(),
                ArgLine()
                    .opts(QStringLiteral("-i"))
                    .path(shortForm(path))
                    .opts(QStringLiteral("-vcodec copy -t 1 -f null -")),
                {}, &output);
        const QSize size = readFrameSize(output);
        if (duration.isEmpty())
            allRead = false;
        console.printLine(QStringLiteral("duration=%1 size=%2x%3 path=%4")
                              .arg(duration)
                              .arg(size.width())
                              .arg(size.height())
                              .arg(path));
    }
    return allRead ? 0 : 1;
}

} // namespace yz::cli
