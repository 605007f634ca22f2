#ifndef CORVALE_BENCH_FLOOD_COMMON_H
#define CORVALE_BENCH_FLOOD_COMMON_H

// What the flood benchmark's cases share: the numbered lines, their sender, the observer that
// sees them enter the plot, and the window driven by its controls.

#include "app/application.h"
#include "mainwindow/mainwindow.h"

#include "observer.h"
#include "sender.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
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

namespace bench {

struct Options
{
    double seconds = 10;
    double rate = 0; // overrides the rate of the UDP cases
    double soakMinutes = 0;
};

template <class T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget named %s", name);
    return found;
}

double rssMiB();

void typeInto(QAbstractSpinBox *box, const QString &text);

void waitMs(int ms);

quint16 freeUdpPort();

// Sends numbered lines (see Sender::start) and waits until the last is on screen, or 10 s.
void sendAndSettle(Sender &sender, Observer &observer, quint64 first, quint64 count, double rate,
                   double seconds);

// Opens a pseudo terminal (*slave its other end, to close afterwards) or the UDP link in the
// window, as a user does; the descriptor to send the lines to.
int openLink(MainWindow &window, bool pty, int *slave);

// Shown, with 6 channels at that plot width.
void showWindow(MainWindow &window, int width);

// Opens the window's UDP link on a free port, as a user would; the port it listens on.
quint16 openUdp(MainWindow &window);

// A socket that sends to that port on this machine.
int udpSocketTo(quint16 port);

void openPort(MainWindow &window, const QString &name);

// Runs the window until `done`, or for at most `ms`; whether it got done.
bool waitUntil(const std::function<bool()> &done, int ms);

// The process's own CPU time, every thread included (the reader's too).
double cpuSeconds();

// The same clock in every process.
qint64 monotonicNs();

// Lets the window run as it would for a user: the event loop sleeps while nothing happens,
// where waitMs() would spin and cost the process CPU time of its own.
void runEventLoopMs(int ms);

struct RateCase
{
    const char *name;
    double rate; // lines per second; 0: the link open and nothing arrives
    int width;
    bool xy = false;
    int held = 0;        // XY points in the store before the clock starts
    bool frozen = false; // the plot frozen all along
    bool record = false; // recording to CSV all along
    bool zoomed = false; // a rubber band around the newest quarter of the plot width, all along
    bool armed = false;  // a trigger armed on a level never reached, waiting all along
};

// Arms a Normal trigger from its box, as a user would: channel, slope and level. False where the
// build has no trigger.
bool armTrigger(MainWindow &window, int channel, int slope, double level);

// Triggers the action and answers the file dialog it opens with `path`, as a user would type it;
// `chosen` runs just before the answer.
void triggerAndChoose(QAction *action, const QString &path,
                      const std::function<void()> &chosen = {});

// Stops the recording the action started, or says why it had already stopped.
void stopRecording(QMainWindow &window, QAction *record, const char *name);

// A recording's rows, and how many of them do not carry the numbers first ... last in order
// (or are missing) in their first value column.
struct RecordingCheck
{
    quint64 rows = 0;
    quint64 wrong = 0;
};
RecordingCheck checkRecording(const QString &path, quint64 first, quint64 last);

// The cases.
int runCase(const Case &c, const Options &options);
int runMonitorCase(const Options &options);
int runStaleCase();
int runRelinkCase();
int runBacklogCase();
int runRateCase(const RateCase &c, const Options &options);
int sendNoisyLines(quint16 port, double rate, double seconds, quint64 first, bool xy);
int runFrozenCase(const Case &c, const Options &options);
int runZoomOutCase(const Options &options);
int runXYRedrawCase(const Options &options);
int runExportCase(const Options &options);
int runSpectrumTimeCase();

} // namespace bench

#endif
