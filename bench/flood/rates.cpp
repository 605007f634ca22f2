// The window's cost at fixed rates, from a sender process of its own.

#include "common.h"

#include <QMouseEvent>

namespace bench {

quint64 noisyLineCount(double rate, double seconds)
{
    return quint64(std::llround(rate * seconds));
}

// The separate sender (bench_flood --send PORT RATE SECONDS [FIRST [xy]]): noisyLineCount()
// lines at RATE lines/s numbered from FIRST (1), each its sequence number and five noisy values
// (xy: an x tracing a Lissajous figure, then the number as y), sent as they fall due but at most
// 1,000 datagrams a second, as a device's network stack would. Prints when it stopped.
int sendNoisyLines(quint16 port, double rate, double seconds, quint64 first, bool xy)
{
    const int fd = udpSocketTo(port);
    const quint64 total = first - 1 + noisyLineCount(rate, seconds);
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    const qint64 start = monotonicNs();
    quint64 next = first;
    std::string datagram;
    while (next <= total) {
        const qint64 now = monotonicNs();
        const quint64 due = qMin(total, first + quint64(double(now - start) * 1e-9 * rate));
        datagram.clear();
        for (; next <= due && datagram.size() < 32768; ++next) {
            char text[160];
            const int n = xy ? std::snprintf(text, sizeof text, "%.3f %llu\r\n",
                                             800 * std::sin(double(next) * 0.0031) + noise(random),
                                             static_cast<unsigned long long>(next))
                             : std::snprintf(text, sizeof text, "%llu %.3f %.3f %.3f %.3f %.3f\r\n",
                                             static_cast<unsigned long long>(next), noise(random),
                                             10 + noise(random), 20 + 5 * noise(random),
                                             -40 + noise(random), 100 * noise(random));
            datagram.append(text, size_t(n));
        }
        if (!datagram.empty() && ::send(fd, datagram.data(), datagram.size(), 0) < 0)
            std::perror("send");
        if (next > total)
            break;
        const qint64 nextDue = start + qint64(double(next - first) / rate * 1e9);
        const qint64 wake = qMax(nextDue, now + 1000000);
        const timespec until{time_t(wake / 1000000000), long(wake % 1000000000)};
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    }
    std::printf("stopped %lld\n", static_cast<long long>(monotonicNs()));
    ::close(fd);
    return 0;
}

// A rubber band dragged with the left button across the canvas, from `from` to `to` of its width
// and over its whole height, as a user zooms.
void dragRubberBand(QWidget *canvas, double from, double to)
{
    const QPoint start(int(from * (canvas->width() - 1)), 1);
    const QPoint end(int(to * (canvas->width() - 1)), canvas->height() - 2);
    const auto send = [canvas](QEvent::Type type, const QPoint &at, Qt::MouseButton button,
                               Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, (start + end) / 2, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
}

// The window's cost at a fixed rate from a separate process, so that only the window's own
// work counts: CPU share of one core and frames per second over --seconds after a warm-up,
// every line stored, and the last line's lag after the sender stopped. In XY mode the store is
// filled with `held` points first; frozen or recording, as the window's actions make it.
int runRateCase(const RateCase &c, const Options &options)
{
    MainWindow window;
    showWindow(window, c.width);
    if (c.xy)
        child<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    auto *plot = window.findChild<QwtPlot *>();
    const quint16 port = openUdp(window);
    waitMs(300);
    const double rssStart = rssMiB();

    // As a click of the mouse on "Open Ethernet" would: no caret blinks meanwhile.
    child<QPushButton>(window, "pbMode")->setFocus();
    // Looks at the frames and twice a second besides: ticks of its own would cost the window.
    Observer observer(plot, 500);
    observer.lookAtPaints = true;
    const auto sendFrom = [&](QProcess &sender, double rate, double seconds, quint64 first) {
        sender.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--send"), QString::number(port), QString::number(rate),
                      QString::number(seconds), QString::number(first),
                      c.xy ? QStringLiteral("xy") : QStringLiteral("series")});
        if (!sender.waitForStarted())
            qFatal("the sender did not start");
    };
    quint64 first = 1;
    if (c.held > 0) {
        QProcess fill;
        sendFrom(fill, 100000, c.held / 100000.0, 1);
        waitUntil(
            [&] {
                return fill.state() == QProcess::NotRunning && observer.newest() >= quint64(c.held);
            },
            20000);
        first = quint64(c.held) + 1;
    }
    QAction *freeze = window.findChild<QAction *>(QStringLiteral("actionFreeze"));
    QAction *record = window.findChild<QAction *>(QStringLiteral("actionRecord"));
    if ((c.frozen && !freeze) || (c.record && !record)) {
        std::printf("%-10s not available in this build\nRESULT %s unavailable\n", c.name, c.name);
        std::fflush(stdout);
        return 0;
    }
    const QString recording = QDir::temp().filePath(
        QStringLiteral("corvale-bench-%1.csv").arg(QCoreApplication::applicationPid()));
    if (c.frozen)
        freeze->trigger();
    if (c.record)
        triggerAndChoose(record, recording);
    // On channel 2, which stays near 10: armed, waiting all along.
    if (c.armed && !armTrigger(window, 1, 0, 1e6)) {
        std::printf("%-10s not available in this build\nRESULT %s unavailable\n", c.name, c.name);
        std::fflush(stdout);
        return 0;
    }

    constexpr double warmUpSeconds = 2;
    const double sendSeconds = warmUpSeconds + options.seconds + 0.5;
    QProcess sender;
    if (c.rate > 0)
        sendFrom(sender, c.rate, sendSeconds, first);
    if (c.zoomed) {
        // Around the samples there are by then, as a user zooms into what is on screen.
        runEventLoopMs(int(warmUpSeconds * 500));
        dragRubberBand(plot->canvas(), 0.75, 1.0);
        runEventLoopMs(int(warmUpSeconds * 500));
    } else {
        runEventLoopMs(int(warmUpSeconds * 1000));
    }

    const double cpuBefore = cpuSeconds();
    const quint64 paintsBefore = observer.paints;
    const quint64 seenBefore = observer.seen;
    QElapsedTimer clock;
    clock.start();
    runEventLoopMs(int(options.seconds * 1000));
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const double fps = double(observer.paints - paintsBefore) / elapsed;
    const double storedRate = double(observer.seen - seenBefore) / elapsed;
    const double rssEnd = rssMiB();

    // The last line: when it entered the plot, against when the sender stopped.
    double lagMs = -1;
    quint64 lost = 0;
    if (c.rate > 0) {
        const quint64 last = first - 1 + noisyLineCount(c.rate, sendSeconds);
        while (sender.state() != QProcess::NotRunning)
            waitMs(5);
        if (c.frozen)
            freeze->trigger(); // what arrived meanwhile is there at once
        quint64 newest = observer.newest();
        qint64 changedAt = monotonicNs();
        QElapsedTimer finished;
        finished.start();
        while (newest < last && finished.elapsed() < 10000) {
            waitMs(1);
            if (observer.newest() != newest) {
                newest = observer.newest();
                changedAt = monotonicNs();
            }
        }
        bool ok = false;
        const QByteArray report = sender.readAllStandardOutput().trimmed();
        const qint64 stoppedAt = report.mid(report.lastIndexOf(' ') + 1).toLongLong(&ok);
        if (ok && newest >= last && !c.frozen)
            lagMs = (changedAt - stoppedAt) / 1e6;
        observer.look();
        lost = c.frozen ? (newest >= last ? 0 : last - newest)
                        : last - qMin(last, observer.seen + observer.unseen);
        if (c.record) {
            stopRecording(window, record, c.name);
            const RecordingCheck check = checkRecording(recording, first, last);
            std::printf("%-10s recorded %llu rows, %llu missing or out of order\n", c.name,
                        static_cast<unsigned long long>(check.rows),
                        static_cast<unsigned long long>(check.wrong));
            QFile::remove(recording);
        }
    }

    char lag[32] = "-";
    if (c.rate > 0 && lagMs >= 0)
        std::snprintf(lag, sizeof lag, "%.0f", lagMs);
    else if (c.rate > 0 && !c.frozen)
        std::snprintf(lag, sizeof lag, "never");
    std::printf("%-10s %6.0f lines/s at width %5d: CPU %5.1f %% of a core  %5.1f frames/s  "
                "stored %7.0f lines/s  lost %llu  unseen %llu  lag %s ms  RSS %.1f -> %.1f MiB\n",
                c.name, c.rate, c.width, 100 * cpu / elapsed, fps, storedRate,
                static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(observer.unseen), lag, rssStart, rssEnd);
    std::printf("RESULT %s cpu=%.1f fps=%.1f stored=%.0f lost=%llu lag=%s rss0=%.1f rss=%.1f\n",
                c.name, 100 * cpu / elapsed, fps, storedRate, static_cast<unsigned long long>(lost),
                lag, rssStart, rssEnd);
    std::fflush(stdout);
    return 0;
}

} // namespace bench
