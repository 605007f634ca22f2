#ifndef CORVALE_PLOTVIEW_H
#define CORVALE_PLOTVIEW_H

#include "plotting/pointstore.h"
#include "plotting/samplestore.h"
#include "view/timeline.h"
#include "view/zoomlimits.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QVector>

#include <qwt_scale_div.h>

class QAction;
class QKeyEvent;
class QMenu;
class QShortcut;
class QToolButton;
class QWidget;
class QwtPlot;
class QwtPlotItem;
class QwtPlotMarker;
class QwtPlotPicker;
class ReadoutLabel;
class ReducedCurve;
class ViewChart;

// How the user looks at the plot, beyond what the panel sets: freeze, zoom and pan, the view
// back into the history, and two measuring cursors with their readout.
// - Frozen, the plot shows a copy of the samples as they were; lines go on being stored.
// - Zoomed (a rubber band, the wheel, a middle-button drag), the axes are the view's; "Reset
//   view" gives the axes back exactly as they were, and whatever the panel sets ends the zoom.
// - The cursors stand at sample positions (XY: on stored points) and read the stored samples.
// Its actions live in the canvas's right-click menu, in keys and in a status-bar button.
class PlotView : public QObject
{
    Q_OBJECT

public:
    // The actions' keys work anywhere in `window` that a field does not take them. Destroy the
    // view before the plot: it deletes the plot items it made. A child of the window, found by
    // the name "plotView".
    PlotView(QwtPlot *plot, QWidget *window);
    ~PlotView() override;

    // What the plot shows live, as the window (re)builds it: the time series' window store, its
    // history and curves, and the item that draws them unzoomed (which stands aside while the
    // view is zoomed), or the XY points.
    void showSeries(const SampleStore *window, const History *history,
                    const QList<ReducedCurve *> &curves, QwtPlotItem *unzoomed);
    void showPoints(const PointStore *points);

    bool isFrozen() const { return m_frozen; }
    // Whether the plot shows the lines as they come: not frozen, not a trigger's sweep.
    bool isLive() const { return !m_frozen && !m_sweep; }
    bool showsSweep() const { return m_sweep; }
    bool isZoomed() const { return m_zoomed; }
    bool hasCursors() const { return m_cursorCount > 0; }
    // The cursors set, 0 to 2, and where: A is cursor(0).
    int cursorCount() const { return m_cursorCount; }
    QPointF cursor(int index) const { return m_cursors[index]; }
    // The time series' channels whose curves are shown.
    QVector<int> shownChannels() const;
    // What the curves show: the live stores, or their copies while frozen; none for the other
    // mode.
    const SampleStore *shownSeries() const;
    const PointStore *shownPoints() const;
    Timeline timeline() const;

    QMenu *menu() const { return m_menu; }
    // Where on the canvas the menu was last opened.
    QPoint menuPixel() const { return m_menuPixel; }
    QToolButton *freezeButton() const { return m_freezeButton; }
    QAction *freezeAction() const { return m_freeze; }

    void setFrozen(bool frozen);
    // A trigger's sweep: `samples` are the plot width's lines up to the history's line `newest`.
    // Shown in place of the live samples (and kept while frozen) until the next sweep or
    // endSweeps(); with `freeze`, the plot freezes on it. While frozen otherwise, a sweep
    // without `freeze` is not shown: the picture holds.
    void showSweep(const SampleStore &samples, qint64 newest, bool freeze);
    void endSweeps();
    // The plot's tab is shown or not: its keys act on it only while it is.
    void setPlotShown(bool shown);
    // The plot is rebuilt: the freeze, the zoom and the cursors end, before anything else.
    void endAll();
    // The panel sets an axis: the axes are given back as they were before the zoom, for the
    // panel to change.
    void endZoom();
    // Whether a zoom began from this axis as the panel sets it now. Leaving a field (for a
    // menu, another window) finishes an edit too: only a changed setting ends the zoom.
    bool zoomedFrom(int axis, bool autoScale, double low, double high) const;
    // Before a frame is drawn: the cursors' readout and the zoomed chart follow the data.
    void prepareFrame();

    // The cursors' readout as plain text, for a screen reader; empty without cursors.
    QString readoutSpeech() const { return m_readoutSpeech; }

    // Views, in plot coordinates.
    QRectF currentView() const;
    void zoomTo(const QRectF &view);
    void zoomOut();
    void resetView();
    void removeCursors();

signals:
    void frozenChanged(bool frozen);
    // The curves must show shownSeries() / shownPoints() from now on.
    void shownStoresChanged();
    // The plot is being rebuilt (endAll()): whatever was set up for the old one ends.
    void rebuilt();
    // Something on the canvas changed: draw a frame.
    void changed();
    // A frame is about to be drawn: the timeline shows what it will show.
    void framePrepared();
    // The plot was built anew: other stores or curves, or the other mode.
    void storesChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct AxisState
    {
        bool autoScale = true;
        QwtScaleDiv division;
    };
    void createActions(QWidget *window);
    void rubberBandSelected(const QVector<QPoint> &pixels);
    void startZoom();
    void chooseChart();
    void applyView(const QRectF &view);
    void applyPan(const QRectF &start, const QRectF &view);
    void zoomAround(const QPointF &pixel, double factor, bool x, bool y);
    // The axis as the panel sets it, whether zoomed or not.
    AxisState panelAxis(int axis) const;
    // How far zooming out may take the axes: to what there is to see, or to what the panel sets
    // where that is more.
    Span xLimits() const;
    Span yLimits(const Span &x) const;
    void pan(const QPoint &pixel);
    void placeCursor(const QPoint &pixel);
    QPointF cursorAt(const QPoint &pixel) const;
    void setCursor(int index, const QPointF &at);
    // The keys of the canvas with the focus on it; true when one acted.
    bool keyPressed(const QKeyEvent *key);
    void moveCursor(int steps);
    void updateCursorMarkers();
    void updateActions();
    void escape();
    void showMenu(const QPoint &globalPos);

    QwtPlot *m_plot;
    const SampleStore *m_liveSeries = nullptr;
    const History *m_history = nullptr;
    const PointStore *m_livePoints = nullptr;
    QList<ReducedCurve *> m_curves;
    QwtPlotItem *m_unzoomed = nullptr;
    bool m_xy = false;

    bool m_frozen = false;
    bool m_sweep = false;     // m_heldSeries is a trigger's sweep
    SampleStore m_heldSeries; // frozen, or a sweep
    PointStore m_frozenPoints;
    qint64 m_heldNewest = -1; // the history's line at the held samples' last position

    bool m_zoomed = false;
    AxisState m_baseX;
    AxisState m_baseY;
    QVector<QRectF> m_previous; // views to go back to, the newest last
    QwtPlotPicker *m_picker = nullptr;
    ViewChart *m_chart = nullptr;
    bool m_panning = false;
    bool m_panMoved = false;
    QPoint m_panFrom;
    QRectF m_panStart;

    // The cursors: sample positions (x) or points (XY).
    int m_cursorCount = 0;
    int m_lastCursor = 0; // the one placed or moved last, which the keys move
    QPointF m_cursors[2];
    QwtPlotMarker *m_cursorMarkers[2] = {nullptr, nullptr};
    ReadoutLabel *m_readout = nullptr;
    QString m_readoutSpeech;
    static constexpr qint64 readoutIntervalMs = 100;
    QElapsedTimer m_readoutClock; // since the readout's numbers were last worked out
    QTimer m_readoutLater;

    QMenu *m_menu = nullptr;
    QPoint m_menuPixel;
    QToolButton *m_freezeButton = nullptr;
    QAction *m_freeze = nullptr;
    QAction *m_zoomOut = nullptr;
    QAction *m_resetView = nullptr;
    QAction *m_removeCursors = nullptr;
    QShortcut *m_escape = nullptr;
};

#endif
