// Floods the real window over UDP loopback or a pseudo terminal, as a fast device would, and
// prints what it kept: lines/s sent and stored, gaps, frames per second during the flood, the
// longest stall of the event loop, the lag after the sender stops, and the memory.
//
// Every line's first field is a running sequence number (in XY mode, the y value), so the
// benchmark reads the stored samples back through the first curve, as the plot does, and finds
// every lost line. It drives the window only by object names, like a user, so that the same
// source builds against older versions of the program (bench/flood-compare runs both).
//
//   bench_flood [--seconds S] [--rate LINES_PER_S] [--soak MINUTES] [CASE...]
//   cases: udp10 udp1 pty xy (default: all four), and monitor (text without line ends);
//   what a link leaves behind: stale (a closed link's queued lines), relink (unplug and reopen
//   at once), backlog (16 MiB waiting on the monitor tab);
//   the window's cost at fixed rates from a separate sender process (bench_flood --send):
//   idle r100 r1000 r10000 (lines/s at width 10000) and r1000w1000 (at width 1000).

#include "app/application.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>

namespace {

struct Case
{
    const char *name;
    bool pty = false;
    bool xy = false;
    int linesPerDatagram = 10;
    double rate = 0; // lines per second; 0: as fast as the reader takes them (pty only)
};

struct Options
{
    double seconds = 10;
    double rate = 0; // overrides the rate of the UDP cases
    double soakMinutes = 0;
};

double rssMiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

template <class T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget named %s", name);
    return found;
}

void typeInto(QAbstractSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// The line with sequence number seq, CR LF included.
class LineMaker
{
public:
    explicit LineMaker(bool xy) : m_xy(xy)
    {
        for (int i = 0; i < period; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f ", 800 * std::sin(i * 2 * M_PI / period));
            m_xText[i] = text;
        }
    }

    void append(std::string &out, quint64 seq) const
    {
        if (m_xy)
            out += m_xText[seq % period];
        char digits[24];
        const int n =
            std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(seq));
        out.append(digits, size_t(n));
        if (!m_xy)
            out += " 12.5 -3.25 100 0.5 7";
        out += "\r\n";
    }

private:
    static constexpr int period = 600;
    bool m_xy;
    std::string m_xText[period];
};

// Sends numbered lines from its own thread, paced, in datagrams or to a pseudo terminal.
class Sender
{
public:
    Sender(const Case &c, int fd, bool datagrams)
        : m_case(c), m_fd(fd), m_datagrams(datagrams), m_lines(c.xy)
    {
    }
    ~Sender() { stop(); }

    // Sends `count` lines (0: no limit) at `rate` lines/s (0: as fast as they go) for at most
    // `seconds`; with `garbage`, random bytes instead of lines, as many bytes a second as
    // that many lines would take. The sender keeps its own time: an old window that never
    // returns to its event loop under the flood must not keep it going.
    void start(quint64 firstSeq, quint64 count, double rate, double seconds, bool garbage = false)
    {
        m_next = firstSeq;
        m_end = count ? firstSeq + count : ~quint64(0);
        m_rate = rate;
        m_seconds = seconds;
        m_garbage = garbage;
        m_stop = false;
        m_done = false;
        m_thread = std::thread([this] { run(); });
    }
    // The window goes on reading meanwhile: a writer blocked on a full pseudo terminal only
    // gets on when the window reads.
    void stop()
    {
        m_stop = true;
        while (!m_done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (m_thread.joinable())
            m_thread.join();
    }
    bool running() const { return !m_done; }
    quint64 lastSent() const { return m_next - 1; }
    // When the last write went out.
    std::chrono::steady_clock::time_point stoppedAt() const { return m_stoppedAt; }
    // Seconds from the first write to the last.
    double activeSeconds() const { return m_activeSeconds; }

private:
    void run()
    {
        QElapsedTimer clock;
        clock.start();
        const quint64 first = m_next;
        const int perWrite = m_datagrams ? m_case.linesPerDatagram : 2000;
        std::string buffer;
        std::mt19937 random(7);
        while (!m_stop && m_next < m_end && clock.nsecsElapsed() < m_seconds * 1e9) {
            if (m_rate > 0) {
                const double due = double(clock.nsecsElapsed()) * 1e-9 * m_rate;
                if (double(m_next - first) >= due) {
                    usleep(200);
                    continue;
                }
            }
            buffer.clear();
            const quint64 from = m_next;
            for (int i = 0; i < perWrite && m_next < m_end; ++i)
                m_lines.append(buffer, m_next++);
            if (m_garbage) {
                for (char &c : buffer)
                    c = char(random());
            }
            if (m_datagrams) {
                if (::send(m_fd, buffer.data(), buffer.size(), 0) < 0)
                    ++m_failed;
            } else {
                size_t done = 0;
                while (done < buffer.size()) {
                    const ssize_t n = ::write(m_fd, buffer.data() + done, buffer.size() - done);
                    if (n > 0)
                        done += size_t(n);
                    else if (errno != EINTR)
                        break;
                }
                if (done < buffer.size()) {
                    m_next = from; // a broken terminal: what did not go out does not count
                    break;
                }
            }
        }
        m_activeSeconds = clock.nsecsElapsed() / 1e9;
        m_stoppedAt = std::chrono::steady_clock::now();
        m_done = true;
    }

    Case m_case;
    int m_fd;
    bool m_datagrams;
    LineMaker m_lines;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{true};
    std::atomic<quint64> m_next{1};
    quint64 m_end = 0;
    double m_rate = 0;
    double m_seconds = 0;
    bool m_garbage = false;
    std::atomic<quint64> m_failed{0};
    std::chrono::steady_clock::time_point m_stoppedAt;
    double m_activeSeconds = 0;
};

// Watches the first curve from the event loop: the stalls between its own ticks, and every
// sequence number that enters the curve.
class Observer : public QObject
{
public:
    // A longer interval costs the window less, but sees fewer of the lines that scroll past.
    explicit Observer(QwtPlot *plot, int intervalMs = 5) : m_plot(plot), m_intervalMs(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        plot->canvas()->installEventFilter(this);
        m_clock.start();
        m_timer.start();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (lookAtPaints)
                scan();
        }
        return false;
    }

    quint64 newest() const
    {
        const QwtPlotCurve *curve = firstCurve();
        if (!curve || curve->dataSize() == 0)
            return 0;
        return quint64(value(curve, curve->dataSize() - 1));
    }

    // Including the stall going on now: a window frozen under the flood never got to tick.
    double longestStall() const
    {
        return qMax(longestStallMs, (m_clock.nsecsElapsed() - m_last) / 1e6 - m_intervalMs);
    }

    void resetStall()
    {
        longestStallMs = 0;
        m_last = m_clock.nsecsElapsed();
    }

    // Gaps inside the whole window as it stands.
    quint64 gapsInWindow(quint64 *window) const
    {
        const QwtPlotCurve *curve = firstCurve();
        quint64 gaps = 0;
        *window = 0;
        if (!curve)
            return 0;
        double previous = -1;
        for (size_t i = 0; i < curve->dataSize(); ++i) {
            const double v = value(curve, i);
            if (v < 1)
                continue; // not yet filled
            ++*window;
            if (previous >= 1 && v != previous + 1)
                gaps += v > previous ? quint64(v - previous - 1) : 1;
            previous = v;
        }
        return gaps;
    }

    // Looks now, as a tick would: the window may not have run its event loop for a while.
    void look() { scan(); }

    // Also look whenever the canvas paints: then a long interval misses nothing on screen.
    bool lookAtPaints = false;
    quint64 paints = 0;
    double longestStallMs = 0;
    quint64 seen = 0;   // sequence numbers seen entering the curve
    quint64 lost = 0;   // missing between two numbers seen
    quint64 unseen = 0; // scrolled out before a tick could see them
    quint64 lastSeen = 0;

private:
    const QwtPlotCurve *firstCurve() const
    {
        const QwtPlotItemList curves = m_plot->itemList(QwtPlotItem::Rtti_PlotCurve);
        return curves.isEmpty() ? nullptr : static_cast<const QwtPlotCurve *>(curves.first());
    }
    double value(const QwtPlotCurve *curve, size_t i) const { return curve->sample(i).y(); }

    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (m_last)
            longestStallMs = qMax(longestStallMs, (now - m_last) / 1e6 - m_intervalMs);
        m_last = now;
        scan();
    }

    // From the newest sample back to the last one seen before.
    void scan()
    {
        const QwtPlotCurve *curve = firstCurve();
        if (!curve)
            return;
        const size_t n = curve->dataSize();
        size_t i = n;
        while (i > 0 && value(curve, i - 1) > double(lastSeen))
            --i;
        if (i == n)
            return;
        double previous = double(lastSeen);
        if (lastSeen == 0) {
            previous = value(curve, i) - 1;
        } else if (i == 0) {
            // Everything in the window is new: what came between scrolled out unseen.
            unseen += quint64(value(curve, 0) - previous - 1);
            previous = value(curve, 0) - 1;
        }
        for (; i < n; ++i) {
            const double v = value(curve, i);
            if (v > previous + 1)
                lost += quint64(v - previous - 1);
            ++seen;
            previous = v;
        }
        lastSeen = quint64(previous);
    }

    QwtPlot *m_plot;
    int m_intervalMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

void waitMs(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

// Sends numbered lines (see Sender::start) and waits until the last is on screen, or 10 s.
void sendAndSettle(Sender &sender, Observer &observer, quint64 first, quint64 count, double rate,
                   double seconds)
{
    sender.start(first, count, rate, seconds);
    while (sender.running())
        waitMs(20);
    sender.stop();
    QElapsedTimer settle;
    settle.start();
    while (observer.newest() < sender.lastSent() && settle.elapsed() < 10000)
        waitMs(5);
}

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

// Shown, with 6 channels at that plot width.
void showWindow(MainWindow &window, int width)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("the window was not exposed\n");
    child<QComboBox>(window, "comboBox_NumChannels")->setCurrentIndex(5);
    typeInto(child<QSpinBox>(window, "SpinBox_XScale"), QString::number(width));
}

// Opens the window's UDP link on a free port, as a user would; the port it listens on.
quint16 openUdp(MainWindow &window)
{
    const quint16 port = freeUdpPort();
    child<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QString::number(port));
    child<QPushButton>(window, "pbMode")->click();
    return port;
}

// A socket that sends to that port on this machine.
int udpSocketTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0)
        qFatal("cannot address the window's port");
    return fd;
}

int runCase(const Case &c, const Options &options)
{
    MainWindow window;
    showWindow(window, 10000);
    if (c.xy)
        child<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    auto *plot = window.findChild<QwtPlot *>();

    int fd = -1;
    int slave = -1;
    if (c.pty) {
        char name[256] = {};
        if (::openpty(&fd, &slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        child<QComboBox>(window, "cbPortList")->setEditText(QString::fromLocal8Bit(name));
        child<QPushButton>(window, "pbOpenPort")->click();
    } else {
        fd = udpSocketTo(openUdp(window));
    }
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
    const quint64 last = sender.lastSent();
    const double rssEnd = rssMiB();

    // The last line on screen: how long after the sender stopped.
    while (observer.newest() < last &&
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
    std::printf("RESULT %s sent=%.0f stored=%.0f lost=%llu unseen=%llu gaps=%llu fps=%.1f "
                "stall=%.0f lag=%.0f rss=%.1f\n",
                c.name, sentRate, storedRate, static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(unseen),
                static_cast<unsigned long long>(windowGaps), fps, stall, lagMs, rssEnd);
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

// A pseudo terminal as a device on the window's serial port: the master end is the device, and
// closing it pulls the plug.
class Pty
{
public:
    Pty()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        m_name = QString::fromLocal8Bit(name);
    }
    ~Pty() { unplug(); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    const QString &name() const { return m_name; }
    void write(const std::string &text)
    {
        if (::write(m_master, text.data(), text.size()) != ssize_t(text.size()))
            qFatal("cannot write to the pseudo terminal");
    }
    void unplug()
    {
        for (int *fd : {&m_master, &m_slave}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_name;
};

void openPort(MainWindow &window, const QString &name)
{
    child<QComboBox>(window, "cbPortList")->setEditText(name);
    child<QPushButton>(window, "pbOpenPort")->click();
}

// Runs the window until `done`, or for at most `ms`; whether it got done.
bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= ms)
            return false;
        waitMs(5);
    }
    return true;
}

// Datagrams the system dropped for want of room in the socket bound to that port.
quint64 udpDrops(quint16 port)
{
    quint64 drops = 0;
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray local = ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &row : table.readAll().split('\n')) {
        const QList<QByteArray> fields = row.simplified().split(' ');
        if (fields.size() > 12 && fields.at(1).endsWith(local))
            drops += fields.last().toULongLong();
    }
    return drops;
}

// Stale data: UDP floods the window while it is held busy for a second, so that the reader
// queues what arrives; then the link is closed and a pseudo terminal opened, which sends one
// line. Every line of the closed link that enters the plot after that is stale.
int runStaleCase()
{
    MainWindow window;
    showWindow(window, 10000);
    auto *plot = window.findChild<QwtPlot *>();
    const quint16 port = openUdp(window);
    const int fd = udpSocketTo(port);
    waitMs(300);

    Observer observer(plot);
    const Case c{"stale", false, false, 10, 0};
    Sender sender(c, fd, true);
    // Some lines first, so that the observer knows where the numbers stand.
    sendAndSettle(sender, observer, 1, 1000, 100000, 10);
    const quint64 first = sender.lastSent() + 1;
    // As much as the reader may queue (16 MiB), but not more: all of it waits.
    sender.start(first, 0, 450000, 1);
    while (sender.running())
        QThread::msleep(1); // held busy: no events
    QThread::msleep(200);   // the reader takes what the socket still holds
    sender.stop();
    observer.look();
    const quint64 sent = sender.lastSent() - first + 1;
    const quint64 stored = observer.newest() - first + 1;
    const quint64 dropped = udpDrops(port) * quint64(c.linesPerDatagram);
    const quint64 waiting = sent - stored - qMin(dropped, sent - stored);
    std::string text;
    LineMaker lines(false);
    for (quint64 seq = observer.newest() + 1; seq <= sender.lastSent(); ++seq)
        lines.append(text, seq);
    // Of those not stored, the share the system did not drop.
    const double waitingMiB =
        sent > stored ? text.size() / (1024.0 * 1024.0) * double(waiting) / double(sent - stored)
                      : 0;

    child<QPushButton>(window, "pbMode")->click();
    ::close(fd);
    Pty device;
    const quint64 countedAtOpen = observer.seen + observer.unseen;
    openPort(window, device.name());
    const bool opened = child<QPushButton>(window, "pbOpenPort")->isChecked();
    constexpr quint64 mark = 900000000;
    text.clear();
    lines.append(text, mark);
    device.write(text);
    const bool shown = waitUntil([&] { return observer.newest() == mark; }, 15000);
    observer.look();
    const quint64 stale = observer.seen + observer.unseen - countedAtOpen - (shown ? 1 : 0);

    std::printf("stale  UDP flood %llu lines in 1 s, %llu stored before the close, about %llu "
                "(%.1f MiB) waiting, %llu dropped by the system; serial port %s; after it opened "
                "%llu lines of the closed link plotted; its own line %s\n",
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(stored),
                static_cast<unsigned long long>(waiting), waitingMiB,
                static_cast<unsigned long long>(dropped), opened ? "open" : "refused",
                static_cast<unsigned long long>(stale), shown ? "shown" : "missing");
    std::printf("RESULT stale sent=%llu waiting=%llu waitingMiB=%.1f plotted=%llu shown=%d\n",
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(waiting),
                waitingMiB, static_cast<unsigned long long>(stale), shown ? 1 : 0);
    std::fflush(stdout);
    return 0;
}

// A device unplugged while a line is half sent, and another port opened at once (a script
// does this): whether the old port's errors close the new one, and whether the new device's
// first line comes through as it was sent.
int runRelinkCase()
{
    MainWindow window;
    showWindow(window, 10000);
    // One channel: a line of fewer fields than channels would be dropped.
    child<QComboBox>(window, "comboBox_NumChannels")->setCurrentIndex(0);
    auto *plot = window.findChild<QwtPlot *>();
    auto *button = child<QPushButton>(window, "pbOpenPort");
    Observer observer(plot);
    bool lostShown = false;
    QObject::connect(child<QStatusBar>(window, "statusbar"), &QStatusBar::messageChanged,
                     [&lostShown](const QString &text) {
                         if (text.startsWith(QLatin1String("Lost connection to")))
                             lostShown = true;
                     });

    constexpr int rounds = 100;
    constexpr quint64 newLine = 900001;
    int refused = 0;
    int untaken = 0; // the old device's line never showed
    int closed = 0;
    int spliced = 0;
    int missing = 0;
    for (int round = 0; round < rounds; ++round) {
        Pty old;
        openPort(window, old.name());
        if (!button->isChecked()) {
            ++refused;
            continue;
        }
        // A line of its own (the round's number), then the second one unfinished. Bytes
        // another device left behind may join it; this counts only the next device's line.
        const quint64 before = observer.newest();
        old.write(std::to_string(round + 1) + "\r\n17");
        if (!waitUntil([&] { return observer.newest() != before; }, 2000)) {
            ++untaken;
            button->click();
            continue;
        }
        waitMs(30);
        const quint64 oldLine = observer.newest();
        old.unplug();
        QThread::msleep(20); // the window busy meanwhile
        button->click();
        Pty next;
        lostShown = false;
        openPort(window, next.name());
        next.write("900001\r\n");
        waitUntil([&] { return observer.newest() != oldLine; }, 2000);
        waitMs(100);
        const quint64 firstLine = observer.newest();
        if (!button->isChecked() || lostShown)
            ++closed;
        if (firstLine == oldLine)
            ++missing;
        else if (firstLine != newLine)
            ++spliced;
        if (button->isChecked())
            button->click();
    }
    std::printf("relink %d rounds of unplug and reopen at once: new port closed in %d, first "
                "line spliced in %d, missing in %d; not run: port refused %d, first device's "
                "line not shown %d\n",
                rounds, closed, spliced, missing, refused, untaken);
    std::printf("RESULT relink rounds=%d closed=%d spliced=%d missing=%d refused=%d untaken=%d\n",
                rounds, closed, spliced, missing, refused, untaken);
    std::fflush(stdout);
    return 0;
}

// 16 MiB of numbered lines waiting on the monitor tab: the longest stall while the window
// shows them, and then the longest stall of a resize with the monitor full.
int runBacklogCase()
{
    MainWindow window;
    showWindow(window, 10000);
    auto *plot = window.findChild<QwtPlot *>();
    child<QTabWidget>(window, "tabWidget_MonitorViews")->setCurrentIndex(1);
    const quint16 port = openUdp(window);
    const int fd = udpSocketTo(port);
    QTextDocument *document = child<QPlainTextEdit>(window, "plainTextEdit")->document();
    QString queueDrops;
    QObject::connect(child<QStatusBar>(window, "statusbar"), &QStatusBar::messageChanged,
                     [&queueDrops](const QString &text) {
                         if (text.contains(QLatin1String("dropped")))
                             queueDrops = text;
                     });
    waitMs(300);
    Observer observer(plot);

    // 32-byte lines in datagrams of 32 KiB, sent while the window is held busy. The reader
    // takes them off the socket meanwhile; a pause now and then lets it keep up.
    constexpr int lineBytes = 32;
    constexpr int linesPerDatagram = 1024;
    constexpr quint64 totalBytes = 16 * 1024 * 1024;
    constexpr quint64 datagrams = totalBytes / (lineBytes * linesPerDatagram);
    auto lineText = [](quint64 seq) {
        char text[lineBytes + 1];
        std::snprintf(text, sizeof text, "%010llu the monitor backlog.\n",
                      static_cast<unsigned long long>(seq));
        return std::string(text);
    };
    quint64 seq = 0;
    std::string datagram;
    for (quint64 d = 0; d < datagrams; ++d) {
        datagram.clear();
        for (int i = 0; i < linesPerDatagram; ++i)
            datagram += lineText(++seq);
        if (::send(fd, datagram.data(), datagram.size(), 0) < 0)
            qFatal("cannot send to the window");
        if (d % 32 == 31)
            QThread::msleep(3);
    }
    QThread::msleep(200);
    const quint64 dropped = udpDrops(port);
    std::string last = lineText(seq);
    last.pop_back();
    const QString lastLine = QString::fromLatin1(last.c_str());
    auto lastShown = [&] {
        QTextBlock block = document->lastBlock();
        if (block.text().isEmpty())
            block = block.previous();
        return block.isValid() && block.text() == lastLine;
    };

    observer.resetStall();
    QElapsedTimer clock;
    clock.start();
    const bool shown = waitUntil(lastShown, 30000);
    const double drainMs = clock.elapsed();
    const double stall = observer.longestStall();

    // Wider and back: the window's layout does not let it get narrower than it starts.
    const int narrow = window.width();
    double resizeStall = 0;
    for (int i = 0; i < 6; ++i) {
        waitMs(100);
        observer.resetStall();
        window.resize(i % 2 ? narrow : narrow + 250, window.height());
        waitMs(300);
        resizeStall = qMax(resizeStall, observer.longestStall());
    }
    std::printf("backlog 16 MiB on the monitor tab, %llu datagrams dropped by the system%s%s: "
                "shown in %.0f ms%s, longest stall %.0f ms; with %d characters in %d lines, "
                "longest stall of a resize %.0f ms\n",
                static_cast<unsigned long long>(dropped), queueDrops.isEmpty() ? "" : ", ",
                qPrintable(queueDrops), drainMs, shown ? "" : " (the last line never)", stall,
                document->characterCount(), document->blockCount(), resizeStall);
    std::printf("RESULT backlog stall=%.0f drain=%.0f resize=%.0f chars=%d shown=%d\n", stall,
                drainMs, resizeStall, document->characterCount(), shown ? 1 : 0);
    std::fflush(stdout);
    ::close(fd);
    return 0;
}

// The process's own CPU time, every thread included (the reader's too).
double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The same clock in every process.
qint64 monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Lets the window run as it would for a user: the event loop sleeps while nothing happens,
// where waitMs() would spin and cost the process CPU time of its own.
void runEventLoopMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

quint64 noisyLineCount(double rate, double seconds)
{
    return quint64(std::llround(rate * seconds));
}

// The separate sender (bench_flood --send PORT RATE SECONDS): noisyLineCount() lines at RATE
// lines/s, each its sequence number and five noisy values, sent as they fall due but at most
// 1,000 datagrams a second, as a device's network stack would. Prints when it stopped.
int sendNoisyLines(quint16 port, double rate, double seconds)
{
    const int fd = udpSocketTo(port);
    const quint64 total = noisyLineCount(rate, seconds);
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    const qint64 start = monotonicNs();
    quint64 next = 1;
    std::string datagram;
    while (next <= total) {
        const qint64 now = monotonicNs();
        const quint64 due = qMin(total, quint64(double(now - start) * 1e-9 * rate) + 1);
        datagram.clear();
        for (; next <= due && datagram.size() < 32768; ++next) {
            char text[160];
            const int n = std::snprintf(text, sizeof text, "%llu %.3f %.3f %.3f %.3f %.3f\r\n",
                                        static_cast<unsigned long long>(next), noise(random),
                                        10 + noise(random), 20 + 5 * noise(random),
                                        -40 + noise(random), 100 * noise(random));
            datagram.append(text, size_t(n));
        }
        if (!datagram.empty() && ::send(fd, datagram.data(), datagram.size(), 0) < 0)
            std::perror("send");
        if (next > total)
            break;
        const qint64 nextDue = start + qint64(double(next - 1) / rate * 1e9);
        const qint64 wake = qMax(nextDue, now + 1000000);
        const timespec until{time_t(wake / 1000000000), long(wake % 1000000000)};
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    }
    std::printf("stopped %lld\n", static_cast<long long>(monotonicNs()));
    ::close(fd);
    return 0;
}

struct RateCase
{
    const char *name;
    double rate; // lines per second; 0: the link open and nothing arrives
    int width;
};

// The window's cost at a fixed rate from a separate process, so that only the window's own
// work counts: CPU share of one core and frames per second over --seconds after a warm-up,
// every line stored, and the last line's lag after the sender stopped.
int runRateCase(const RateCase &c, const Options &options)
{
    MainWindow window;
    showWindow(window, c.width);
    auto *plot = window.findChild<QwtPlot *>();
    const quint16 port = openUdp(window);
    waitMs(300);
    const double rssStart = rssMiB();

    // As a click of the mouse on "Open Ethernet" would: no caret blinks meanwhile.
    child<QPushButton>(window, "pbMode")->setFocus();
    // Looks at the frames and twice a second besides: ticks of its own would cost the window.
    Observer observer(plot, 500);
    observer.lookAtPaints = true;
    constexpr double warmUpSeconds = 2;
    const double sendSeconds = warmUpSeconds + options.seconds + 0.5;
    QProcess sender;
    if (c.rate > 0) {
        sender.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--send"), QString::number(port), QString::number(c.rate),
                      QString::number(sendSeconds)});
        if (!sender.waitForStarted())
            qFatal("the sender did not start");
    }
    runEventLoopMs(int(warmUpSeconds * 1000));

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
        const quint64 last = noisyLineCount(c.rate, sendSeconds);
        quint64 newest = observer.newest();
        qint64 changedAt = monotonicNs();
        QElapsedTimer finished;
        for (;;) {
            waitMs(1);
            if (observer.newest() != newest) {
                newest = observer.newest();
                changedAt = monotonicNs();
            }
            if (sender.state() != QProcess::NotRunning)
                continue;
            if (!finished.isValid())
                finished.start();
            if (newest >= last || finished.elapsed() > 10000)
                break;
        }
        bool ok = false;
        const QByteArray report = sender.readAllStandardOutput().trimmed();
        const qint64 stoppedAt = report.mid(report.lastIndexOf(' ') + 1).toLongLong(&ok);
        if (ok && newest >= last)
            lagMs = (changedAt - stoppedAt) / 1e6;
        observer.look();
        lost = last - qMin(last, observer.seen + observer.unseen);
    }

    char lag[32] = "-";
    if (c.rate > 0 && lagMs >= 0)
        std::snprintf(lag, sizeof lag, "%.0f", lagMs);
    else if (c.rate > 0)
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

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--send") == 0)
        return sendNoisyLines(quint16(std::atoi(argv[2])), std::atof(argv[3]), std::atof(argv[4]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    configureApplication(app);
    initCorvaleResources();

    const Case all[] = {
        {"udp10", false, false, 10, 100000},
        {"udp1", false, false, 1, 20000},
        {"pty", true, false, 0, 0},
        {"xy", false, true, 10, 50000},
    };
    const RateCase rates[] = {
        {"idle", 0, 10000},       {"r100", 100, 10000},       {"r1000", 1000, 10000},
        {"r10000", 10000, 10000}, {"r1000w1000", 1000, 1000},
    };
    Options options;
    QList<Case> chosen;
    bool monitor = false;
    QList<std::function<int()>> others; // in the order given
    const QMap<QString, std::function<int()>> linkCases = {
        {QStringLiteral("stale"), runStaleCase},
        {QStringLiteral("relink"), runRelinkCase},
        {QStringLiteral("backlog"), runBacklogCase},
    };
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--seconds") && i + 1 < args.size())
            options.seconds = args.at(++i).toDouble();
        else if (arg == QLatin1String("--rate") && i + 1 < args.size())
            options.rate = args.at(++i).toDouble();
        else if (arg == QLatin1String("--soak") && i + 1 < args.size())
            options.soakMinutes = args.at(++i).toDouble();
        else if (arg == QLatin1String("monitor"))
            monitor = true;
        else if (linkCases.contains(arg))
            others << linkCases.value(arg);
        else {
            bool found = false;
            for (const RateCase &c : rates) {
                if (arg == QLatin1String(c.name)) {
                    others << [c, &options] {
                        return runRateCase(c, options);
                    };
                    found = true;
                }
            }
            for (const Case &c : all) {
                if (arg == QLatin1String(c.name)) {
                    chosen << c;
                    found = true;
                }
            }
            if (!found) {
                std::fprintf(stderr,
                             "usage: bench_flood [--seconds S] [--rate L] [--soak MINUTES] "
                             "[udp10|udp1|pty|xy|monitor|stale|relink|backlog|idle|r100|r1000|"
                             "r10000|r1000w1000 ...]\n");
                return 2;
            }
        }
    }
    if (chosen.isEmpty() && !monitor && others.isEmpty())
        chosen = {all[0], all[1], all[2], all[3]};
    for (const Case &c : chosen)
        runCase(c, options);
    if (monitor)
        runMonitorCase(options);
    for (const auto &run : others)
        run();
    return 0;
}
