// What a closed, lost or replaced link leaves behind, and a backlog on the monitor tab.

#include "common.h"

namespace bench {

namespace {

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

} // namespace

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

} // namespace bench
