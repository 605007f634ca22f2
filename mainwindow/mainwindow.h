#ifndef CORVALE_MAINWINDOW_H
#define CORVALE_MAINWINDOW_H

#include "links/linkreader.h"
#include "plotting/pointstore.h"
#include "plotting/samplestore.h"
#include "stream/linestream.h"
#include "stream/monitorlog.h"
#include "view/history.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <QUdpSocket>
#include <QVector>

#include <memory>
#include <optional>

class PanelScroller;
class QLabel;
class QScreen;
class QWindow;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;
class PlotView;
class RecordControls;
class SpectrumControls;
class StripChart;
class TriggerControls;
class XYTrail;
struct FormRoom;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow, private LineSink
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

    // The order of these slots is their index in the meta-object; keep it.
private slots:
    void setupPlot();
    void scaleSpinBox_editingFinished();
    void adjustPlotScale();
    void UpdateAxisScale();
    void readSerialData();
    void readUdpData();
    void OpenUDPMode(bool checked);
    void loadPorts();
    void openPort_toggled(bool checked);
    void MonitorView_changed();
    void onScrollBarChanged(int value);
    void XYGraph_state_changed(int state);
    void XAxis_scale_editingFinished();
    void pbClear_all_clicked();

private:
    // links
    QString getLocalIP();
    void serialLost(quint64 opening);
    void discardSerialInput();
    void setLinkControlsEnabled(QWidget *otherLinkButton, bool enabled);
    void setLinkStatus(const QString &richText);

    // data stream
    void takeReceived();
    void dropLinkData();
    void handleChunk(const QByteArray &chunk, qint64 arrivedAt);
    void finishBatch();
    void restartRate();
    void updateRate();
    void seriesLine(const QVector<double> &values) override;
    void xyPoint(double x, double y) override;
    void badLine(const QString &message) override;

    // plotting
    void buildPlot();
    void setupChannelTable();
    void setXAxisScale(double xMin, double xMax);
    void setupXYPlot();
    void rebuildPlot(bool xy);
    void updatePointMarkers();
    void addPointMarker(const QwtPlotCurve *curve, double value);
    void placePointLabels();
    int channelCountSetting() const;
    void replaceCrosshair();
    void clearPointMarkers();
    void showStatus(const QString &message);
    void markPlotDirty();
    void markSamplesWaiting();
    bool samplesDue() const;
    void frameTick();
    void drawFrame(bool viewChanged = true);
    void buildView();
    QStringList recordColumns() const;
    void showViewStores();
    QString plotDescription() const;

    // the window on its screen
    void fitToScreen(bool anew);
    void followScreen();
    void watchScreen(QScreen *screen);
    QRect availableArea() const;
    std::optional<QMargins> windowFrame() const;
    FormRoom measureForm();
    void showPanelAsDrawn();
    void refitSoon();

    friend struct MainWindowProbe; // read access for the tests

    Ui::MainWindow *ui = nullptr;
    QwtPlot *plot = nullptr;
    SampleStore yData; // the time series; a sample's x is its position
    History history;   // the time series' newest lines, beyond the window
    QList<QwtPlotCurve *> curves;
    StripChart *strip = nullptr; // draws the time-series curves together
    XYTrail *xyTrail = nullptr;  // draws the XY curve, in XY mode
    int plotWidth = 1000;
    int lastIndex = 999;
    QwtPlotMarker *vLineMarker = nullptr;
    QwtPlotMarker *hLineMarker = nullptr;
    LineStream dataBuffer{LineStream::Mode::Series};
    LineStream xyBuffer{LineStream::Mode::XY};
    QSerialPort serialPort;
    bool autoScroll = true;
    QList<QwtPlotMarker *> pointMarkers;
    double cursorY = 0;
    double cursorX = 0;
    int numChannels = 0;
    bool xyMode = false;
    PointStore xyData;
    QUdpSocket udpSocket;
    // Freeze, zoom and pan, the history, the cursors; destroyed before the plot.
    std::unique_ptr<PlotView> plotView;
    // Images, exports, recordings; a recording going on is completed first.
    std::unique_ptr<RecordControls> recordControls;
    // The trigger on the time series.
    std::unique_ptr<TriggerControls> triggerControls;
    // The spectrum's window and its worker; gone before the view.
    std::unique_ptr<SpectrumControls> spectrumControls;

    // Declared after the link objects: it hands them back before they are destroyed.
    LinkReader linkReader{&serialPort, &udpSocket};
    QVector<QByteArray> receivedChunks; // taken from the reader, handled from receivedNext on
    QVector<qint64> receivedTimes;      // when each arrived (ChunkQueue::now())
    qint64 chunkArrivedAt = 0;          // of the chunk whose lines are being taken
    int receivedNext = 0;
    // Lines and the mouse ask for a frame; the frame timer draws at most once per display frame.
    QTimer frameTimer;
    bool plotDirty = false;      // the view changed (the mouse, the crosshair): draw at once
    bool samplesWaiting = false; // stored but not yet drawn
    QElapsedTimer samplesWaitingSince;
    QElapsedTimer lastFrame;
    MonitorLog monitorLog;  // the monitor's text, inserted once per batch
    QString openedPortName; // as the user gave it, for the lost-connection message

    // Which link is open, as the window knows it (the link objects live on the reader thread),
    // and the number of its opening: reports of an earlier opening are ignored by it.
    enum class Link { None, Serial, Udp };
    Link openLink = Link::None;
    quint64 linkOpening = 0;

    // The live rate at the right of the status bar, while a link is open: lines (or points)
    // taken or bytes received per second, and lines dropped, since the link opened or
    // "Clear all".
    QLabel *rateLabel = nullptr;
    QTimer rateTimer;
    qint64 rateSince = 0; // ms of rateClockMs()
    // The rate's clock in milliseconds; tests turn a clock of their own.
    static qint64 (*rateClockMs)();
    quint64 linesTaken = 0;
    quint64 linesDropped = 0;
    quint64 bytesReceived = 0;
    quint64 countAtLastRate = 0;

    // The window as the form draws it, and what it was last fitted to. Where it does not fit
    // its screen, the panel is shown in panelScroller.
    QSize formSize;
    PanelScroller *panelScroller = nullptr;
    QRect fittedArea;
    QMargins fittedFrame;
    bool shownOnce = false;
    bool refitPending = false; // a font change asks for a fit once its widgets have their fonts
    int frameQuestions = 0;    // times the frame was asked for again after a fit
    QPointer<QWindow> followedWindow;
    QPointer<QScreen> watchedScreen;
    // Tests stand a desktop of their own in for the offscreen platform's small screen.
    static QRect desktopStandIn;
};

#endif
