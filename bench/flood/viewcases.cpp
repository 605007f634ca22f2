// Looking closer and keeping what was seen: a flood while frozen, frames over a full history,
// a full XY redraw, an export of the whole history. They need the view, which older builds lack.

#include "common.h"

#if __has_include("view/plotview.h")
#include "view/plotview.h"
#define CORVALE_BENCH_VIEW 1
#endif

#include <algorithm>
#include <vector>

namespace bench {

namespace {

#ifndef CORVALE_BENCH_VIEW
int unavailable(const char *name)
{
    std::printf("%-10s not available in this build\nRESULT %s unavailable\n", name, name);
    std::fflush(stdout);
    return 0;
}
#else

PlotView *viewOf(MainWindow &window)
{
    return window.findChild<PlotView *>(QStringLiteral("plotView"));
}

struct FrameTimes
{
    double median = 0;
    double max = 0;
};

// Milliseconds each of the replots took, once `step(i)` has changed the view.
FrameTimes timeFrames(QwtPlot *plot, int count, const std::function<void(int)> &step)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        step(i);
        QElapsedTimer clock;
        clock.start();
        plot->replot();
        plot->canvas()->repaint(); // now, not at the next turn of the event loop
        times.push_back(clock.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// The history filled to the brim with noisy lines of six channels, the first the line's number,
// as fast as a pseudo terminal takes them.
void fillHistory(MainWindow &window, PlotView *view)
{
    int slave = -1;
    const int fd = openLink(window, true, &slave);
    waitMs(300);
    const qint64 lines = History::DefaultCapacity + 20000;
    std::atomic<bool> sent{false};
    std::thread writer([fd, lines, &sent] {
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0.0, 1.0);
        std::string text;
        for (qint64 n = 1; n <= lines; ++n) {
            char line[160];
            const int size = std::snprintf(
                line, sizeof line, "%lld %.3f %.3f %.3f %.3f %.3f\r\n", static_cast<long long>(n),
                100 * noise(random), 50 + 20 * noise(random), -40 + noise(random),
                300 * std::sin(n * 0.001) + noise(random), 200 * noise(random));
            text.append(line, size_t(size));
            if (text.size() > 65536 || n == lines) {
                size_t done = 0;
                while (done < text.size()) {
                    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
                    if (written <= 0)
                        break;
                    done += size_t(written);
                }
                text.clear();
            }
        }
        sent = true;
    });
    waitUntil([&] { return sent.load(); }, 120000);
    writer.join();
    waitUntil(
        [&] {
            const Timeline t = view->timeline();
            return t.lastX() - t.firstLineX() + 1 >= History::DefaultCapacity - 64;
        },
        20000);
    child<QPushButton>(window, "pbOpenPort")->click();
    ::close(fd);
    ::close(slave);
}

#endif

} // namespace

// A flood with the plot frozen all along, then unfrozen: the frames meanwhile, and whether the
// history holds every line, in order.
int runFrozenCase(const Case &c, const Options &options)
{
#ifndef CORVALE_BENCH_VIEW
    (void)options;
    return unavailable(c.name);
#else
    MainWindow window;
    showWindow(window, 10000);
    auto *plot = window.findChild<QwtPlot *>();
    PlotView *view = viewOf(window);
    int slave = -1;
    const int fd = openLink(window, c.pty, &slave);
    waitMs(300);
    Observer observer(plot);
    window.findChild<QAction *>(QStringLiteral("actionFreeze"))->trigger();
    Sender sender(c, fd, !c.pty);
    const double cpuBefore = cpuSeconds();
    const quint64 paintsBefore = observer.paints;
    observer.resetStall();
    sender.start(1, 0, c.pty ? 0 : c.rate, options.seconds);
    while (sender.running())
        waitMs(20);
    const double stall = observer.longestStall();
    sender.stop();
    const double elapsed = sender.activeSeconds();
    const double cpu = 100 * (cpuSeconds() - cpuBefore) / elapsed;
    const double fps = double(observer.paints - paintsBefore) / elapsed;
    const quint64 last = sender.lastSent();
    waitUntil([&] { return view->timeline().at(0, view->timeline().lastX()) >= double(last); },
              10000);
    window.findChild<QAction *>(QStringLiteral("actionFreeze"))->trigger();
    waitMs(100);

    const Timeline t = view->timeline();
    quint64 gaps = 0;
    const qint64 from = t.firstLineX();
    for (qint64 x = from + 1; x <= t.lastX(); ++x)
        gaps += t.at(0, x) == t.at(0, x - 1) + 1 ? 0 : 1;
    const quint64 held = quint64(t.lastX() - from + 1);
    const quint64 firstHeld = quint64(t.at(0, from));
    const bool newest = quint64(t.at(0, t.lastX())) == last;
    const bool every = firstHeld == 1 && newest && gaps == 0;
    std::printf("%-10s sent %llu lines (%.0f lines/s) frozen: %.1f frames/s, longest stall %.0f "
                "ms, CPU %.1f %%; then the history holds %llu lines from %llu, %llu gaps, newest "
                "%s, every line sent %s\n",
                c.name, static_cast<unsigned long long>(last), double(last) / elapsed, fps, stall,
                cpu, static_cast<unsigned long long>(held),
                static_cast<unsigned long long>(firstHeld), static_cast<unsigned long long>(gaps),
                newest ? "is the last sent" : "MISSING", every ? "there" : "not all there");
    std::printf("RESULT %s sent=%.0f held=%llu gaps=%llu newest=%d every=%d fps=%.1f stall=%.0f "
                "cpu=%.1f\n",
                c.name, double(last) / elapsed, static_cast<unsigned long long>(held),
                static_cast<unsigned long long>(gaps), newest ? 1 : 0, every ? 1 : 0, fps, stall,
                cpu);
    std::fflush(stdout);
    ::close(fd);
    if (slave >= 0)
        ::close(slave);
    return 0;
#endif
}

// Frames zoomed out over a full history of six channels, and while panning through it; the
// memory at start and with the history full.
int runZoomOutCase(const Options &)
{
#ifndef CORVALE_BENCH_VIEW
    return unavailable("zoomout");
#else
    MainWindow window;
    showWindow(window, 10000);
    auto *plot = window.findChild<QwtPlot *>();
    PlotView *view = viewOf(window);
    waitMs(300);
    const double rssStart = rssMiB();
    fillHistory(window, view);
    const double rssFull = rssMiB();
    const Timeline t = view->timeline();
    const double left = double(t.firstX());
    const double right = double(t.lastX());
    // Channel 1 counts the lines; the view spans the others.
    const double top = 700;
    const FrameTimes whole = timeFrames(
        plot, 40, [&](int) { view->zoomTo(QRectF(left, -700, right - left, top + 700)); });
    const double span = (right - left) / 4;
    const FrameTimes pan = timeFrames(plot, 60, [&](int i) {
        const double from = left + (right - left - span) * i / 59.0;
        view->zoomTo(QRectF(from, -700, span, top + 700));
    });
    std::printf("zoomout    canvas %d x %d, %lld lines of 6 channels: a frame over all of them "
                "%.1f ms (median), "
                "%.1f ms at most; panning a quarter of them %.1f ms, %.1f ms at most; RSS at start "
                "%.1f MiB, with the history full %.1f MiB\n",
                plot->canvas()->width(), plot->canvas()->height(),
                static_cast<long long>(t.lastX() - t.firstX() + 1), whole.median, whole.max,
                pan.median, pan.max, rssStart, rssFull);
    std::printf("RESULT zoomout frame=%.1f framemax=%.1f pan=%.1f panmax=%.1f rss0=%.1f "
                "rssfull=%.1f\n",
                whole.median, whole.max, pan.median, pan.max, rssStart, rssFull);
    std::fflush(stdout);
    return 0;
#endif
}

// XY mode with its store full: a full redraw of 100,000 points (the axes moved a little each
// time, which draws the kept picture anew).
int runXYRedrawCase(const Options &)
{
#ifndef CORVALE_BENCH_VIEW
    return unavailable("xyredraw");
#else
    MainWindow window;
    showWindow(window, 10000);
    child<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    auto *plot = window.findChild<QwtPlot *>();
    PlotView *view = viewOf(window);
    int slave = -1;
    const int fd = openLink(window, false, &slave);
    waitMs(300);
    Observer observer(plot);
    Case c{"xyfill", false, true, 10, 100000};
    Sender sender(c, fd, true);
    sendAndSettle(sender, observer, 1, PointStore::DefaultCapacity, 100000, 30);
    const FrameTimes redraw = timeFrames(
        plot, 40, [&](int i) { view->zoomTo(QRectF(-1000 - i, -1000, 2000 + 2 * i, 2000)); });
    std::printf("xyredraw   %d points: a full redraw %.1f ms (median), %.1f ms at most\n",
                PointStore::DefaultCapacity, redraw.median, redraw.max);
    std::printf("RESULT xyredraw frame=%.1f framemax=%.1f\n", redraw.median, redraw.max);
    std::fflush(stdout);
    ::close(fd);
    return 0;
#endif
}

// "Export history as CSV…" of a full history: how long until the file is written, and the
// longest the window's event loop stalled meanwhile, the file dialog's opening included, and from
// the file's choice on.
int runExportCase(const Options &)
{
#ifndef CORVALE_BENCH_VIEW
    return unavailable("export");
#else
    MainWindow window;
    showWindow(window, 10000);
    auto *plot = window.findChild<QwtPlot *>();
    PlotView *view = viewOf(window);
    fillHistory(window, view);
    const QString path = QDir::temp().filePath(
        QStringLiteral("corvale-bench-export-%1.csv").arg(QCoreApplication::applicationPid()));
    auto *status = child<QStatusBar>(window, "statusbar");
    Observer observer(plot);
    observer.resetStall();
    QElapsedTimer clock;
    clock.start();
    double dialogStall = 0;
    triggerAndChoose(window.findChild<QAction *>(QStringLiteral("actionExportHistory")), path, [&] {
        dialogStall = observer.longestStall();
        observer.resetStall();
    });
    waitUntil([&] { return status->currentMessage().startsWith(QStringLiteral("Exported")); },
              60000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double chosenStall = observer.longestStall();
    const double stall = qMax(dialogStall, chosenStall);
    const qint64 bytes = QFileInfo(path).size();
    QFile::remove(path);
    std::printf("export     a full history (%s): %.2f s, %.1f MiB, longest stall %.0f ms, "
                "%.0f ms once the file was chosen\n",
                qPrintable(status->currentMessage()), seconds, bytes / 1048576.0, stall,
                chosenStall);
    std::printf("RESULT export seconds=%.2f mib=%.1f stall=%.0f chosen=%.0f\n", seconds,
                bytes / 1048576.0, stall, chosenStall);
    std::fflush(stdout);
    return 0;
#endif
}

} // namespace bench
