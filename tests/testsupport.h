#ifndef CORVALE_TESTSUPPORT_H
#define CORVALE_TESTSUPPORT_H

#include "app/application.h"
#include "mainwindow/mainwindow.h"
#include "view/plotview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <functional>
#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_text.h>

#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

// Read access to the window's state, for what the widgets and plot items do not show.
struct MainWindowProbe
{
    explicit MainWindowProbe(MainWindow &window) : w(window) {}
    // The available area windows fit themselves to from now on, instead of their screen's.
    static void standInDesktop(const QRect &area) { MainWindow::desktopStandIn = area; }
    QwtPlot *plot() const { return w.plot; }
    // The x of every time-series sample is its position.
    QVector<double> xData() const
    {
        QVector<double> x(w.plotWidth);
        for (int i = 0; i < x.size(); ++i)
            x[i] = i;
        return x;
    }
    QVector<QVector<double>> yData() const
    {
        QVector<QVector<double>> y;
        for (int k = 0; k < w.yData.channelCount(); ++k)
            y << w.yData.channel(k);
        return y;
    }
    const QList<QwtPlotCurve *> &curves() const { return w.curves; }
    const History &history() const { return w.history; }
    PlotView *view() const { return w.plotView.get(); }
    QVector<double> xyXData() const { return xyCoordinates(&QPointF::x); }
    QVector<double> xyYData() const { return xyCoordinates(&QPointF::y); }
    const QList<QwtPlotMarker *> &pointMarkers() const { return w.pointMarkers; }
    QwtPlotMarker *vLine() const { return w.vLineMarker; }
    QwtPlotMarker *hLine() const { return w.hLineMarker; }
    int plotWidth() const { return w.plotWidth; }
    int lastIndex() const { return w.lastIndex; }
    bool autoScroll() const { return w.autoScroll; }
    bool xyMode() const { return w.xyMode; }
    QByteArray pendingSeriesBytes() const { return w.dataBuffer.pending(); }
    QByteArray pendingXYBytes() const { return w.xyBuffer.pending(); }
    const QSerialPort &serialPort() const { return w.serialPort; }
    const QUdpSocket &udpSocket() const { return w.udpSocket; }
    // Read by the reader thread, not yet taken by the window.
    qint64 queuedBytes() const { return w.linkReader.queue().queuedBytes(); }
    // Read by the reader thread since the window was made.
    qint64 readBytes() const { return w.linkReader.queue().pushedBytes(); }
    // The live rate measured by a clock of the test's: it changes when the test says so.
    // Returns the clock it replaces.
    static auto setRateClock(qint64 (*clockMs)())
    {
        return std::exchange(MainWindow::rateClockMs, clockMs);
    }
    void updateRateNow()
    {
        w.rateTimer.stop();
        w.updateRate();
    }
    // As if the session had already run for `first` lines.
    void numberSamplesFrom(quint64 first) { w.yData.numberFrom(first); }
    // Hands bytes to the window as if a link had delivered them in one batch, now or at the
    // time given (ChunkQueue::now()'s clock).
    void feed(const QByteArray &chunk) { feed(chunk, ChunkQueue::now()); }
    void feed(const QByteArray &chunk, qint64 arrivedAt)
    {
        w.handleChunk(chunk, arrivedAt);
        w.finishBatch();
    }
    // Waits until the plot shows everything so far: curves, axes and value markers are brought
    // up to date once per frame.
    bool nextFrame() const
    {
        return QTest::qWaitFor([this] { return !w.plotDirty && !w.samplesWaiting; }, 2000);
    }

    MainWindow &w;

private:
    QVector<double> xyCoordinates(qreal (QPointF::*coordinate)() const) const
    {
        QVector<double> values;
        for (int i = 0; i < w.xyData.size(); ++i)
            values << (w.xyData.at(i).*coordinate)();
        return values;
    }
};

// The offscreen platform's one screen is smaller than the window as the form draws it. The
// tests stand a desktop in for it where the window fits, unless they choose another;
// tst_startup and tst_locale run on the offscreen screen itself.
inline void standInLargeDesktop()
{
    MainWindowProbe::standInDesktop(QRect(0, 0, 1920, 1200));
}
Q_COREAPP_STARTUP_FUNCTION(standInLargeDesktop)

template <class T> T *widget(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget named %s", name);
    return found;
}

inline QPixmap labelPixmap(const QLabel *label)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return label->pixmap();
#else
    return label->pixmap(Qt::ReturnByValue);
#endif
}

// Whether the icon draws at least one pixel at 16 x 16.
inline bool drawsSomething(const QIcon &icon)
{
    const QImage image = icon.pixmap(QSize(16, 16)).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

inline QString statusText(QWidget &window)
{
    return widget<QStatusBar>(window, "statusbar")->currentMessage();
}

inline QStringList curveTitles(const QwtPlot *plot)
{
    QStringList titles;
    for (const QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
        titles << item->title().text();
    return titles;
}

inline QVector<QPointF> curvePoints(const QwtPlotCurve *curve)
{
    QVector<QPointF> points;
    for (size_t i = 0; i < curve->dataSize(); ++i)
        points << curve->sample(i);
    return points;
}

inline QVector<double> curveYs(const QwtPlotCurve *curve)
{
    QVector<double> ys;
    for (size_t i = 0; i < curve->dataSize(); ++i)
        ys << curve->sample(i).y();
    return ys;
}

// Types into an editable spin box and finishes the edit the way a user does, with Enter.
inline void typeInto(QAbstractSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// Types a port name into the port box and presses "Open Serial".
inline void openPort(QWidget &window, const QString &name)
{
    widget<QComboBox>(window, "cbPortList")->setEditText(name);
    widget<QPushButton>(window, "pbOpenPort")->click();
}

// The eight controls that an open link locks; otherButton is the other link's button.
inline QList<QWidget *> linkControls(QWidget &window, const char *otherButton)
{
    QList<QWidget *> controls;
    for (const char *name : {"cbBaudRate", "cbPortList", "frame_3", "frame_4", "frame_5",
                             "rbNoFlowControl", "lineEdit_UDP_PORT", otherButton})
        controls << widget<QWidget>(window, name);
    return controls;
}

inline void chooseChannelCount(QWidget &window, int count)
{
    widget<QComboBox>(window, "comboBox_NumChannels")->setCurrentIndex(count - 1);
}

// Widgets of one channel table cell: the check box and (gain, offset) the spin box.
inline QCheckBox *cellCheckBox(QWidget &window, int row, int column)
{
    return widget<QTableWidget>(window, "tableWidget")
        ->cellWidget(row, column)
        ->findChild<QCheckBox *>();
}

inline QDoubleSpinBox *cellSpinBox(QWidget &window, int row, int column)
{
    return widget<QTableWidget>(window, "tableWidget")
        ->cellWidget(row, column)
        ->findChild<QDoubleSpinBox *>();
}

// Sends a mouse move to the plot canvas at the pixel of plot coordinate (x, y).
inline void moveMouseTo(MainWindow &window, double x, double y)
{
    QwtPlot *plot = MainWindowProbe(window).plot();
    const QPoint pixel(qRound(plot->transform(QwtCompat::xBottom, x)),
                       qRound(plot->transform(QwtCompat::yLeft, y)));
    QMouseEvent move(QEvent::MouseMove, pixel, plot->canvas()->mapToGlobal(pixel), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(plot->canvas(), &move);
}

// Lines "i i" for i = first ... first + count - 1: as XY points, they show every lost line.
inline QByteArray numberedPairs(int first, int count)
{
    QByteArray lines;
    for (int i = first; i < first + count; ++i)
        lines += QByteArray::number(i) + ' ' + QByteArray::number(i) + "\r\n";
    return lines;
}

// Whether the values are 1, 2, 3 ... without a gap.
inline bool countsUpFromOne(const QVector<double> &values)
{
    for (int i = 0; i < values.size(); ++i) {
        if (values.at(i) != i + 1)
            return false;
    }
    return true;
}

// Pixels of one picture that the other lacks (within `slack` columns), both ways, and the
// pixels the first picture's curves cover.
struct PictureDifference
{
    int differ = 0;
    int curvePixels = 0;
};

inline PictureDifference comparePictures(const QImage &full, const QImage &reduced, int slack)
{
    const auto lacks = [slack](const QImage &a, const QImage &b, int x, int y) {
        for (int dx = -slack; dx <= slack; ++dx) {
            if (x + dx >= 0 && x + dx < b.width() && b.pixel(x + dx, y) == a.pixel(x, y))
                return false;
        }
        return true;
    };
    PictureDifference result;
    const QRgb background = qRgb(230, 230, 230);
    for (int y = 0; y < full.height(); ++y) {
        for (int x = 0; x < full.width(); ++x) {
            result.differ += lacks(full, reduced, x, y) + lacks(reduced, full, x, y);
            result.curvePixels += full.pixel(x, y) != background ? 1 : 0;
        }
    }
    return result;
}

// The canvas as the window draws it (reduced, by the strip chart) or as Qwt draws every sample.
inline QImage drawnCanvas(MainWindowProbe &probe, bool reduced)
{
    for (QwtPlotCurve *curve : probe.curves())
        static_cast<ReducedCurve *>(curve)->setReduced(reduced);
    probe.plot()->replot();
    return probe.plot()->canvas()->grab().toImage();
}

inline QAction *action(MainWindow &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action named %s", name);
    return found;
}

// Triggers the action and answers the file dialog it opens with `path`, as a user would type it.
inline void triggerAndChoose(QAction *action, const QString &path)
{
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&answer, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.stop();
        // Typed into the name box, whole, and Enter.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name)
            qFatal("the file dialog has no name box");
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    answer.start();
    action->trigger();
}

// Calls back whenever the widget paints.
class PaintWatcher : public QObject
{
public:
    PaintWatcher(QWidget *widget, std::function<void()> onPaint) : m_onPaint(std::move(onPaint))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_onPaint();
        return false;
    }

private:
    std::function<void()> m_onPaint;
};

#ifdef Q_OS_UNIX
// A pseudo terminal pair: the program opens the slave by name, the test writes to the master.
class PseudoTerminal : public QObject
{
public:
    PseudoTerminal()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        m_name = QString::fromLocal8Bit(name);
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ~PseudoTerminal()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString name() const { return m_name; }
    void write(const QByteArray &bytes)
    {
        qint64 done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                qFatal("write to pseudo terminal failed");
            done += n;
        }
    }
    // Like write, but gives up when the terminal stays full (nobody reads) for `ms`.
    bool writeWithin(const QByteArray &bytes, int ms)
    {
        const int flags = ::fcntl(m_master, F_GETFL);
        ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
        qint64 done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            pollfd ready{m_master, POLLOUT, 0};
            if (::poll(&ready, 1, ms) <= 0)
                break;
        }
        ::fcntl(m_master, F_SETFL, flags);
        return done == bytes.size();
    }
    termios settings() const
    {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }
    // The device goes away, as when a USB adapter is unplugged.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_name;
};
#define SKIP_WITHOUT_PSEUDO_TERMINAL()
#else
// No pseudo terminals here: the tests that need one skip, and this only lets them compile.
class PseudoTerminal : public QObject
{
public:
    QString name() const { return QString(); }
    void write(const QByteArray &) {}
    bool writeWithin(const QByteArray &, int) { return false; }
    void closeMaster() {}
};
#define SKIP_WITHOUT_PSEUDO_TERMINAL() QSKIP("needs a pseudo terminal")
#endif

#endif
