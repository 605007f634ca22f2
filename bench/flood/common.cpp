// Helpers of every case.

#include "common.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDoubleSpinBox>

namespace bench {

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

void typeInto(QAbstractSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

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

int openLink(MainWindow &window, bool pty, int *slave)
{
    if (!pty)
        return udpSocketTo(openUdp(window));
    int fd = -1;
    char name[256] = {};
    if (::openpty(&fd, slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed");
    termios tio{};
    ::tcgetattr(*slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(*slave, TCSANOW, &tio);
    child<QComboBox>(window, "cbPortList")->setEditText(QString::fromLocal8Bit(name));
    child<QPushButton>(window, "pbOpenPort")->click();
    return fd;
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

void triggerAndChoose(QAction *action, const QString &path, const std::function<void()> &chosen)
{
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&answer, path, &chosen] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.stop();
        dialog->selectFile(path);
        if (chosen)
            chosen();
        static_cast<QDialog *>(dialog)->accept();
    });
    answer.start();
    action->trigger();
}

void stopRecording(QMainWindow &window, QAction *record, const char *name)
{
    // A recording that ended by itself (the disk, the writer falling behind) has nothing to stop;
    // the action would start a new one and wait for its file dialog.
    if (record->isChecked())
        record->trigger();
    else
        std::printf("%-10s the recording stopped by itself: %s\n", name,
                    qPrintable(window.statusBar()->currentMessage()));
}

RecordingCheck checkRecording(const QString &path, quint64 first, quint64 last)
{
    RecordingCheck check;
    // The writer completes the file in the background.
    QElapsedTimer clock;
    clock.start();
    QByteArray text;
    for (;;) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            text = file.readAll();
        if ((text.endsWith('\n') && text.count('\n') > qint64(last - first)) ||
            clock.elapsed() > 10000)
            break;
        waitMs(200);
    }
    const QList<QByteArray> rows = text.split('\n');
    quint64 expected = 0;
    bool started = false;
    for (int i = 1; i < rows.size(); ++i) {
        if (rows.at(i).isEmpty())
            continue;
        ++check.rows;
        const QList<QByteArray> fields = rows.at(i).split(',');
        const quint64 seq = fields.size() > 1 ? quint64(fields.at(1).toDouble()) : 0;
        if (!started) {
            // The recording starts with the lines that arrive after it does.
            started = true;
            expected = seq;
        }
        check.wrong += seq == expected ? 0 : 1;
        expected = seq + 1;
    }
    if (expected <= last)
        check.wrong += last + 1 - expected;
    return check;
}

} // namespace bench

namespace bench {

bool armTrigger(MainWindow &window, int channel, int slope, double level)
{
    auto *open = window.findChild<QAction *>(QStringLiteral("actionTrigger"));
    if (!open)
        return false;
    open->trigger();
    auto *box = window.findChild<QDialog *>(QStringLiteral("triggerBox"));
    if (!box)
        return false;
    child<QComboBox>(*box, "comboBox_triggerChannel")->setCurrentIndex(channel);
    child<QComboBox>(*box, "comboBox_triggerSlope")->setCurrentIndex(slope);
    child<QDoubleSpinBox>(*box, "spinBox_triggerLevel")->setValue(level);
    child<QAbstractButton>(*box, "radioButton_triggerNormal")->click();
    box->close();
    return true;
}

} // namespace bench
