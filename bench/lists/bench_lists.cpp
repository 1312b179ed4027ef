// Driver of the list benchmark (see bench_lists.sh):
//   bench_lists rows <count>         adds <count> paths to the conversion list
//   bench_lists folder <folder> [n]  adds a folder of clips to the clip list, n rounds
// Prints one "name: value" line per figure.

#include "app/list_commands.h"
#include "app/video_list_view.h"
#include "lists/list_filler.h"
#include "lists/video_list.h"
#include "tool/run_directory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/resource.h>

#include <cstdio>

using namespace yz;

namespace {

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void print(const char *name, double value, const char *unit) {
    std::printf("%s: %.1f %s\n", name, value, unit);
}

// Ends the loop at the view's next paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QEventLoop *loop) : m_loop(loop) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, m_loop, &QEventLoop::quit); // after this paint is done
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop *m_loop;
};

struct Page {
    QWidget window;
    VideoList list;
    VideoListView *view;
    QPushButton *add = new QPushButton(QStringLiteral("添加视频"));
    ListCommands *commands;

    explicit Page(ListKind kind) : list(kind), view(new VideoListView(&list)) {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(view);
        layout->addWidget(add);
        commands = new ListCommands({view, add}, {}, &window);
        window.resize(1100, 700);
        window.show();
    }
    ~Page() { commands->shutDown(); }
};

int benchRows(int count) {
    Page page(ListKind::Convert);
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << QStringLiteral("/srv/media/archive/2024/camera-%1/clip-%2.mp4")
                     .arg(i % 37)
                     .arg(i, 5, 10, QLatin1Char('0'));
    page.commands->setFileChooser(
        [&](QWidget *, const QString &, const QString &, const QString &) { return paths; });
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    const long rssBefore = peakRssKiB();

    QEventLoop painted;
    PaintWatch watch(&painted);
    QElapsedTimer timer;
    timer.start();
    page.add->click();
    const double inMs = timer.nsecsElapsed() / 1e6;
    page.view->scrollToBottom();
    page.view->viewport()->installEventFilter(&watch);
    painted.exec();
    const double shownMs = timer.nsecsElapsed() / 1e6;
    page.view->viewport()->removeEventFilter(&watch);

    std::printf("rows: %d (list holds %d)\n", count, page.list.itemCount());
    print("rows in (add command returned)", inMs, "ms");
    print("rows in and shown (first paint, scrolled to the end)", shownMs, "ms");
    print("peak RSS before", rssBefore / 1024.0, "MiB");
    print("peak RSS after", peakRssKiB() / 1024.0, "MiB");

    const auto timed = [&](const char *name, const std::function<void()> &work) {
        timer.restart();
        work();
        print(name, timer.nsecsElapsed() / 1e6, "ms");
    };
    timed("select all", [&] { page.commands->selectAll(); });
    timed("invert selection", [&] { page.commands->invertSelection(); });
    timed("select every 10th row one by one", [&] {
        for (int i = 0; i < count; i += 10)
            page.list.selectItem(i);
    });
    timed("remove the selected rows", [&] { page.commands->removeSelected(); });
    timed("clear the list", [&] { page.commands->clearList(); });
    return 0;
}

// CPU time of this process and of its ended children, in milliseconds.
struct CpuTimes {
    double self = 0;
    double children = 0;
    static CpuTimes now() {
        const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
        rusage self{};
        rusage children{};
        getrusage(RUSAGE_SELF, &self);
        getrusage(RUSAGE_CHILDREN, &children);
        return {ms(self.ru_utime) + ms(self.ru_stime), ms(children.ru_utime) + ms(children.ru_stime)};
    }
    CpuTimes since(const CpuTimes &start) const { return {self - start.self, children - start.children}; }
};

void printRun(const QString &label, double ms, double bareMs, const CpuTimes &cpu, const QString &extra) {
    std::printf("%s: %.1f ms wall (%.2f x the bare probes), CPU: program %.0f ms, tool %.0f ms%s\n",
                qPrintable(label), ms, bareMs > 0 ? ms / bareMs : 0.0, cpu.self, cpu.children,
                qPrintable(extra));
}

int benchFolder(const QString &folder, int rounds) {
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp4")}, QDir::Files, QDir::Name);
    std::printf("clips: %lld, tool: %s\n", static_cast<long long>(files.size()), qPrintable(toolPath()));
    const int defaultThreads = std::clamp(QThread::idealThreadCount(), 1, 4);

    // The rounds alternate the bare probes and the list, so that a change of the
    // machine's load meanwhile falls on all of them.
    for (int round = 1; round <= rounds; ++round) {
        std::printf("-- round %d\n", round);
        // The bare probes: the tool on each file, one after another, nothing else.
        QElapsedTimer timer;
        CpuTimes cpu = CpuTimes::now();
        timer.start();
        for (const QString &name : files) {
            QProcess probe;
            probe.setProcessChannelMode(QProcess::MergedChannels);
            probe.start(toolPath(), {QStringLiteral("-i"), folder + u'/' + name});
            probe.waitForFinished(-1);
            probe.readAll();
        }
        const double bareMs = timer.nsecsElapsed() / 1e6;
        printRun(QStringLiteral("sum of bare probes"), bareMs, bareMs, CpuTimes::now().since(cpu), {});

        for (int threads : {1, defaultThreads}) {
            Page page(ListKind::Clip);
            page.commands->filler()->setProbeThreads(threads);
            // Event-loop latency while the folder is added: gaps between 10 ms ticks.
            QElapsedTimer sinceTick;
            qint64 worstGap = 0;
            QTimer ticker;
            QObject::connect(&ticker, &QTimer::timeout,
                             [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
            QEventLoop done;
            QObject::connect(page.commands, &ListCommands::addingFinished, &done, &QEventLoop::quit);
            cpu = CpuTimes::now();
            timer.restart();
            sinceTick.start();
            ticker.start(10);
            page.commands->scanFolder(folder);
            done.exec();
            const double ms = timer.nsecsElapsed() / 1e6;
            const CpuTimes used = CpuTimes::now().since(cpu);
            ticker.stop();
            int withDuration = 0;
            for (int i = 0; i < page.list.itemCount(); ++i)
                withDuration += page.list.itemText(i, 2).isEmpty() ? 0 : 1;
            printRun(QStringLiteral("folder into the clip list, %1 probe thread(s)").arg(threads), ms, bareMs,
                     used,
                     QStringLiteral(", %1 rows, %2 with a duration, worst event-loop gap %3 ms")
                         .arg(page.list.itemCount())
                         .arg(withDuration)
                         .arg(worstGap));
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QStringLiteral("rows"))
        return benchRows(args.at(2).toInt());
    if (args.size() >= 3 && args.at(1) == QStringLiteral("folder"))
        return benchFolder(args.at(2), args.size() > 3 ? std::max(args.at(3).toInt(), 1) : 1);
    std::fprintf(stderr, "usage: bench_lists rows <count> | folder <folder> [rounds]\n");
    return 2;
}
