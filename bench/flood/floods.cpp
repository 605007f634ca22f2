// The floods: numbered lines over UDP or a pseudo terminal, as fast as a device sends them, and
// the monitor with text without line ends.

#include "common.h"

#if __has_include("view/plotview.h")
#include "view/plotview.h"
#define CORVALE_BENCH_FLOOD_VIEW 1
#endif

namespace bench {

// The second half of a soak: random bytes at the same byte rate, every status-bar message
// counted; then numbered lines again, which must all arrive.
void soakWithGarbage(MainWindow &window, QwtPlot *plot, const Case &c, Sender &sender,
                     const Options &options)
{
    quint64 messages = 0;
    QObject::connect(child<QStatusBar>(window, "statusbar"), &QStatusBar::messageChanged,
                     [&messages](const QString &text) { messages += text.isEmpty() ? 0 : 1; });
    const double rate = c.pty ? 0 : c.rate;
    const quint64 next = sender.lastSent() + 1;
    double longestStall = 0;
    QElapsedTimer clock;
    clock.start();
    sender.start(next, 0, rate, options.soakMinutes * 60, true);
    double nextReport = 30;
    QElapsedTimer loop;
    loop.start();
    while (sender.running()) {
        const qint64 before = loop.nsecsElapsed();
        waitMs(20);
        longestStall = qMax(longestStall, (loop.nsecsElapsed() - before) / 1e6 - 20);
        if (clock.elapsed() / 1000.0 >= nextReport) {
            std::printf("  %5.0f s  random bytes  RSS %6.1f MiB  messages shown %llu  longest "
                        "stall %.0f ms\n",
                        clock.elapsed() / 1000.0, rssMiB(),
                        static_cast<unsigned long long>(messages), longestStall);
            std::fflush(stdout);
            nextReport += 30;
        }
    }
    sender.stop();

    Observer observer(plot);
    const quint64 first = sender.lastSent() + 1;
    sendAndSettle(sender, observer, first, 0, rate, 10);
    quint64 window10k = 0;
    const quint64 gaps = observer.gapsInWindow(&window10k);
    std::printf("after the random bytes: %llu lines, last window %llu gaps in %llu, newest %s\n",
                static_cast<unsigned long long>(sender.lastSent() - first + 1),
                static_cast<unsigned long long>(gaps), static_cast<unsigned long long>(window10k),
                observer.newest() == sender.lastSent() ? "shown" : "missing");
    std::fflush(stdout);
}

int runCase(const Case &c, const Options &options)
{
    MainWindow window;
    // A square wave's crossings are 1,000 lines apart: a sweep for every one fits that width.
    showWindow(window, c.square ? 1000 : 10000);
    if (c.xy)
        child<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    auto *plot = window.findChild<QwtPlot *>();

    int slave = -1;
    const int fd = openLink(window, c.pty, &slave);
    waitMs(300);

    Observer observer(plot);
    Sender sender(c, fd, !c.pty);
    const double rate = c.pty ? 0 : (options.rate > 0 && !c.xy ? options.rate : c.rate);
    quint64 first = 1;
    if (c.xy) {
        // The XY store full before the clock starts: 100,000 points, sent as fast as kept.
        sendAndSettle(sender, observer, 1, 100000, 100000, 30);
        first = sender.lastSent() + 1;
    }

    // Recording every line all along, into a file the benchmark reads back.
    QAction *record = window.findChild<QAction *>(QStringLiteral("actionRecord"));
    if (c.record && !record) {
        std::printf("%-6s not available in this build\nRESULT %s unavailable\n", c.name, c.name);
        std::fflush(stdout);
        return 0;
    }
    // The spectrum's window open all along, following the plot.
    QAction *spectrum = window.findChild<QAction *>(QStringLiteral("actionSpectrum"));
    if (c.spectrum && !spectrum) {
        std::printf("%-6s not available in this build\nRESULT %s unavailable\n", c.name, c.name);
        std::fflush(stdout);
        return 0;
    }
    QWidget *spectrumCanvas = nullptr;
    if (c.spectrum) {
#ifdef CORVALE_BENCH_FLOOD_VIEW
        if (c.spectrum == 2) {
            auto *view = window.findChild<PlotView *>(QStringLiteral("plotView"));
            const double width = double(view->timeline().lastX() + 1);
            const double all = double(History::DefaultCapacity);
            view->zoomTo(QRectF(width - all, -100, all, 1.2e6));
        }
#endif
        spectrum->trigger();
        waitMs(300);
        if (auto *spectrumPlot = window.findChild<QwtPlot *>(QStringLiteral("spectrumPlot")))
            spectrumCanvas = spectrumPlot->canvas();
    }
    PaintCounter spectrumPaints(spectrumCanvas);
    const QString recording = QDir::temp().filePath(
        QStringLiteral("corvale-bench-%1.csv").arg(QCoreApplication::applicationPid()));
    if (c.record)
        triggerAndChoose(record, recording);
    // Channel 2 (the square wave) through 0 either way: a crossing every 1,000 lines.
    if (c.trigger && !armTrigger(window, 1, 2, 0.0)) {
        std::printf("%-6s not available in this build\nRESULT %s unavailable\n", c.name, c.name);
        std::fflush(stdout);
        return 0;
    }

    const double rssStart = rssMiB();
    double rssAfterOne = 0;
    const quint64 paintsBefore = observer.paints;
    const quint64 seenBefore = observer.seen;
    const quint64 lostBefore = observer.lost;
    const quint64 unseenBefore = observer.unseen;
    observer.resetStall();
    QElapsedTimer clock;
    clock.start();
    const double floodSeconds =
        options.soakMinutes > 0 ? options.soakMinutes * 60 : options.seconds;
    sender.start(first, 0, rate, floodSeconds);
    double nextReport = 30;
    while (sender.running()) {
        waitMs(20);
        const double t = clock.elapsed() / 1000.0;
        if (rssAfterOne == 0 && t >= 1)
            rssAfterOne = rssMiB();
        if (options.soakMinutes > 0 && t >= nextReport) {
            std::printf("  %5.0f s  RSS %6.1f MiB  stored %llu  lost %llu  longest stall %.0f ms\n",
                        t, rssMiB(), static_cast<unsigned long long>(observer.seen),
                        static_cast<unsigned long long>(observer.lost), observer.longestStallMs);
            std::fflush(stdout);
            nextReport += 30;
        }
    }
    const double stall = observer.longestStall();
    sender.stop();
    const double elapsed = sender.activeSeconds();
    const quint64 paints = observer.paints - paintsBefore;
    const double spectrumRate = spectrumPaints.paints / sender.activeSeconds();
    const quint64 last = sender.lastSent();
    const double rssEnd = rssMiB();

    // The last line on screen: how long after the sender stopped. A trigger shows its sweeps
    // instead.
    while (!c.trigger && observer.newest() < last &&
           std::chrono::steady_clock::now() - sender.stoppedAt() < std::chrono::seconds(10))
        waitMs(1);
    const double lagMs = observer.newest() >= last
                             ? std::chrono::duration<double, std::milli>(
                                   std::chrono::steady_clock::now() - sender.stoppedAt())
                                   .count()
                             : -1;
    waitMs(50);
    quint64 window10k = 0;
    const quint64 windowGaps = observer.gapsInWindow(&window10k);

    const double sentRate = double(last - first + 1) / elapsed;
    const double storedRate = double(observer.seen - seenBefore) / elapsed;
    const quint64 lost = observer.lost - lostBefore;
    const quint64 unseen = observer.unseen - unseenBefore;
    const double fps = double(paints) / elapsed;
    char lag[32];
    if (lagMs >= 0)
        std::snprintf(lag, sizeof lag, "%.0f ms", lagMs);
    else
        std::snprintf(lag, sizeof lag, "> 10 s");
    // "lost": missing between two stored numbers. "unseen": came and scrolled out of the
    // window between two looks (at very high rates), so not known to be stored or lost.
    std::printf(
        "%-6s sent %8.0f lines/s  stored %8.0f lines/s  lost %llu  unseen %llu  "
        "last window %llu gaps in %llu  %5.1f frames/s  longest stall %.0f ms  lag %s  "
        "RSS %.1f -> %.1f MiB (after 1 s %.1f)\n",
        c.name, sentRate, storedRate, static_cast<unsigned long long>(lost),
        static_cast<unsigned long long>(unseen), static_cast<unsigned long long>(windowGaps),
        static_cast<unsigned long long>(window10k), fps, stall, lag, rssStart, rssEnd, rssAfterOne);
    if (c.spectrum)
        std::printf("%-6s the spectrum's plot drawn %.1f times a second\n", c.name, spectrumRate);
    // Every line the window took is in the file, in order.
    RecordingCheck recorded;
    if (c.record) {
        stopRecording(window, record, c.name);
        recorded = checkRecording(recording, first, last);
        QFile::remove(recording);
        std::printf("%-6s recorded %llu rows, %llu missing or out of order\n", c.name,
                    static_cast<unsigned long long>(recorded.rows),
                    static_cast<unsigned long long>(recorded.wrong));
    }
    // Every crossing of the square wave the lines sent carry, against those the trigger found.
    char crossings[64] = "";
    if (c.trigger) {
        QObject *trigger = window.findChild<QObject *>(QStringLiteral("triggerControls"));
        const qint64 found = trigger ? trigger->property("crossings").toLongLong() : -1;
        const quint64 sent = last / 1000 - first / 1000;
        std::printf("%-6s crossings sent %llu, found %lld\n", c.name,
                    static_cast<unsigned long long>(sent), static_cast<long long>(found));
        std::snprintf(crossings, sizeof crossings, " crossings=%llu found=%lld",
                      static_cast<unsigned long long>(sent), static_cast<long long>(found));
    }
    std::printf("RESULT %s sent=%.0f stored=%.0f lost=%llu unseen=%llu gaps=%llu fps=%.1f "
                "stall=%.0f lag=%.0f rss=%.1f rows=%llu wrong=%llu%s\n",
                c.name, sentRate, storedRate, static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(unseen),
                static_cast<unsigned long long>(windowGaps), fps, stall, lagMs, rssEnd,
                static_cast<unsigned long long>(recorded.rows),
                static_cast<unsigned long long>(recorded.wrong), crossings);
    std::fflush(stdout);

    if (options.soakMinutes > 0)
        soakWithGarbage(window, plot, c, sender, options);

    ::close(fd);
    if (slave >= 0)
        ::close(slave);
    return 0;
}

// Text without line ends on the monitor tab, 8 KB every 80 ms (100 KB/s, a 1,000,000-baud
// line): how long the event loop stalls, and what the memory does.
int runMonitorCase(const Options &options)
{
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("the window was not exposed\n");
    child<QTabWidget>(window, "tabWidget_MonitorViews")->setCurrentIndex(1);
    const quint16 port = freeUdpPort();
    child<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QString::number(port));
    child<QPushButton>(window, "pbMode")->click();
    QUdpSocket device;
    QByteArray chunk;
    while (chunk.size() < 8192)
        chunk += "abc 1.5 2.5 ";

    QElapsedTimer clock;
    clock.start();
    QElapsedTimer loop;
    loop.start();
    double longestStall = 0;
    qint64 sent = 0;
    const double rssStart = rssMiB();
    while (clock.elapsed() < options.seconds * 1000) {
        if (sent * 80 <= clock.elapsed()) {
            device.writeDatagram(chunk, QHostAddress::LocalHost, port);
            ++sent;
        }
        const qint64 before = loop.nsecsElapsed();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longestStall = qMax(longestStall, (loop.nsecsElapsed() - before) / 1e6);
        QThread::usleep(500);
    }
    std::printf("monitor %6.1f KB/s of text without line ends  longest stall %.0f ms  "
                "RSS %.1f -> %.1f MiB\n",
                sent * chunk.size() / 1024.0 / (clock.elapsed() / 1000.0), longestStall, rssStart,
                rssMiB());
    std::printf("RESULT monitor stall=%.0f rss=%.1f\n", longestStall, rssMiB());
    std::fflush(stdout);
    return 0;
}

} // namespace bench
