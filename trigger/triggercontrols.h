#ifndef CORVALE_TRIGGERCONTROLS_H
#define CORVALE_TRIGGERCONTROLS_H

#include "trigger/triggerdetector.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class History;
class PlotView;
class QAction;
class QLabel;
class QWidget;
class QwtPlot;
class QwtPlotMarker;
class SampleStore;
class TriggerBox;

// The oscilloscope's trigger on the time series: every line is tested as it is taken in, and
// the sweep around a crossing, the lines before it out of the history, is what the plot shows
// (Normal: each sweep until the next; Single: the first, frozen). Set up in a box of its own
// ("Trigger…" in the canvas menu), or at once where the menu was opened ("Trigger here"); armed
// again with T. The level and the trigger point stand on the plot as dashed lines; the state
// stands at the right end of the status bar.
class TriggerControls : public QObject
{
    Q_OBJECT
    // For the benchmark, which drives the window by names.
    Q_PROPERTY(qint64 crossings READ crossings)

public:
    TriggerControls(QwtPlot *plot, PlotView *view, const History *history, QWidget *window);
    ~TriggerControls() override;

    // For the status bar's right end.
    QLabel *statusLabel() const { return m_status; }

    // What the plot shows: the time series' window store (its width is a sweep's), or XY
    // points (null), where there is no trigger.
    void showSeries(const SampleStore *window);
    // The plot's tab is shown or not: the trigger's key acts only while it is.
    void setPlotShown(bool shown);

    // Every line taken in, numbered as the history numbers it, scaled.
    void takeLine(qint64 number, const double *values, int count, qint64 arrivedAt)
    {
        if (m_detector.take(number, values, count, arrivedAt))
            emit changed();
    }
    // Before a frame is drawn: the newest complete sweep goes on the plot.
    void prepareFrame();

    const TriggerDetector &detector() const { return m_detector; }
    qint64 crossings() const { return m_detector.crossings(); }

signals:
    // Something on the plot changed (a sweep is complete, a line moved): draw a frame.
    void changed();

private:
    void createActions(QWidget *window);
    void openBox();
    void triggerHere();
    void arm(const TriggerSettings &settings);
    void rearm();
    void turnOff();
    void leftFreeze(bool frozen);
    double axisHysteresis() const;
    QVector<int> shownChannels() const;
    void updateMarkers();
    void updateStatus();
    QString condition() const;

    QwtPlot *m_plot;
    PlotView *m_view;
    const History *m_history;
    QWidget *m_window;
    const SampleStore *m_series = nullptr;
    bool m_plotShown = true; // the key T acts on the plot only while it is shown
    TriggerDetector m_detector;
    TriggerSettings m_settings;
    QPointer<TriggerBox> m_box;

    QAction *m_openBox = nullptr;
    QAction *m_here = nullptr;
    QAction *m_arm = nullptr;
    QLabel *m_status = nullptr;
    QwtPlotMarker *m_levelLine = nullptr;
    QwtPlotMarker *m_pointLine = nullptr;

    // Since the trigger was armed or last fired, for "Waiting for ... · 12 s".
    QElapsedTimer m_waiting;
    QTimer m_statusTimer;
    qint64 m_lastSweepAt = -1; // arrival time of the triggering line shown last
};

#endif
