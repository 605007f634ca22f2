#include "view/plotview.h"

#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "view/readout.h"
#include "view/readoutlabel.h"
#include "view/viewchart.h"

#include <QAction>
#include <QToolButton>

#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_picker.h>
#include <qwt_scale_map.h>
#include <qwt_scale_widget.h>
#include <qwt_symbol.h>

#include <cmath>

namespace {

QwtPlotMarker *makeCursorMarker(const QString &name, bool point)
{
    auto *marker = new QwtPlotMarker;
    const QPen pen(QColor(60, 60, 60), 0, Qt::SolidLine);
    QwtText label(name);
    QFont font = label.font();
    font.setBold(true);
    label.setFont(font);
    marker->setLabel(label);
    if (point) {
        marker->setLineStyle(QwtPlotMarker::NoLine);
        marker->setSymbol(
            new QwtSymbol(QwtSymbol::XCross, Qt::NoBrush, QPen(Qt::black, 2), QSize(11, 11)));
        marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    } else {
        marker->setLineStyle(QwtPlotMarker::VLine);
        marker->setLinePen(pen);
        // At the foot of the line: the readout box stands in a corner, often a top one.
        marker->setLabelAlignment(Qt::AlignRight | Qt::AlignBottom);
    }
    marker->setZ(150);
    marker->setItemAttribute(QwtPlotItem::AutoScale, false);
    return marker;
}

} // namespace

PlotView::PlotView(QwtPlot *plot, QWidget *window) : QObject(window), m_plot(plot)
{
    setObjectName(QStringLiteral("plotView"));
    m_readoutLater.setSingleShot(true);
    connect(&m_readoutLater, &QTimer::timeout, this, &PlotView::changed);
    QWidget *canvas = plot->canvas();
    m_picker = new QwtPlotPicker(QwtCompat::xBottom, QwtCompat::yLeft, QwtPicker::RectRubberBand,
                                 QwtPicker::AlwaysOff, canvas);
    m_picker->setStateMachine(new QwtPickerDragRectMachine);
    m_picker->setRubberBandPen(QPen(QColor(40, 40, 40), 0, Qt::DashLine));
    connect(m_picker, static_cast<void (QwtPicker::*)(const QPolygon &)>(&QwtPicker::selected),
            this, [this](const QPolygon &pixels) { rubberBandSelected(pixels); });
    // Clicked or reached with Tab, the canvas takes the keys (plotview_keys.cpp).
    canvas->setFocusPolicy(Qt::StrongFocus);
    // After the picker and the window's own filter: this one sees the events first.
    canvas->installEventFilter(this);
    for (QwtCompat::AxisId axis : {QwtCompat::xBottom, QwtCompat::yLeft})
        plot->axisWidget(axis)->installEventFilter(this);
    m_chart = new ViewChart;
    createActions(window);
}

PlotView::~PlotView()
{
    removeCursors();
    delete m_chart;
}

void PlotView::showSeries(const SampleStore *window, const History *history,
                          const QList<ReducedCurve *> &curves, QwtPlotItem *unzoomed)
{
    m_unzoomed = unzoomed;
    m_xy = false;
    m_liveSeries = window;
    m_history = history;
    m_livePoints = nullptr;
    m_curves = curves;
    m_chart->setCurves(curves);
    m_chart->setTimeline(timeline());
    emit storesChanged();
}

void PlotView::showPoints(const PointStore *points)
{
    m_xy = true;
    m_livePoints = points;
    m_liveSeries = nullptr;
    m_unzoomed = nullptr;
    m_curves.clear();
    m_chart->setCurves({});
    emit storesChanged();
}

// Nothing for the mode not shown, frozen or live.
const SampleStore *PlotView::shownSeries() const
{
    return m_xy ? nullptr : m_frozen || m_sweep ? &m_heldSeries : m_liveSeries;
}

const PointStore *PlotView::shownPoints() const
{
    return !m_xy ? nullptr : m_frozen ? &m_frozenPoints : m_livePoints;
}

QVector<int> PlotView::shownChannels() const
{
    QVector<int> shown;
    for (int c = 0; c < m_curves.size(); ++c) {
        if (m_curves.at(c)->isVisible())
            shown << c;
    }
    return shown;
}

Timeline PlotView::timeline() const
{
    if (!m_liveSeries)
        return Timeline();
    if (m_frozen || m_sweep)
        return Timeline::frozen(&m_heldSeries, m_history, m_heldNewest);
    return Timeline::live(m_liveSeries, m_history);
}

void PlotView::setFrozen(bool frozen)
{
    if (frozen == m_frozen)
        return;
    m_frozen = frozen;
    // Copies share the live stores' samples until the next line arrives. A sweep shown is kept
    // as it is.
    if (frozen) {
        if (m_liveSeries && !m_sweep) {
            m_heldSeries = *m_liveSeries;
            m_heldNewest = m_history ? m_history->end() - 1 : -1;
        }
        if (m_livePoints)
            m_frozenPoints = *m_livePoints;
    } else {
        if (!m_sweep)
            m_heldSeries = SampleStore();
        m_frozenPoints = PointStore();
    }
    m_freeze->setChecked(frozen);
    m_chart->setTimeline(timeline());
    emit frozenChanged(frozen);
    emit shownStoresChanged();
    emit changed();
}

void PlotView::showSweep(const SampleStore &samples, qint64 newest, bool freeze)
{
    if (m_xy || (m_frozen && !freeze))
        return;
    m_heldSeries = samples;
    m_heldNewest = newest;
    m_sweep = true;
    if (freeze && !m_frozen) {
        m_frozen = true;
        m_freeze->setChecked(true);
        emit frozenChanged(true);
    }
    m_chart->setTimeline(timeline());
    emit shownStoresChanged();
    emit changed();
}

void PlotView::endSweeps()
{
    if (!m_sweep)
        return;
    m_sweep = false;
    // Frozen over a sweep, the sweep stays what is frozen.
    if (!m_frozen)
        m_heldSeries = SampleStore();
    m_chart->setTimeline(timeline());
    emit shownStoresChanged();
    emit changed();
}

void PlotView::endAll()
{
    emit rebuilt();
    endSweeps();
    setFrozen(false);
    endZoom();
    removeCursors();
}

// Where a cursor placed at the pixel stands: on a sample position, or (XY) on the point
// nearest to it.
QPointF PlotView::cursorAt(const QPoint &pixel) const
{
    const QwtScaleMap xMap = m_plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = m_plot->canvasMap(QwtCompat::yLeft);
    QPointF at(xMap.invTransform(pixel.x()), yMap.invTransform(pixel.y()));
    if (m_xy) {
        const PointStore *points = shownPoints();
        const int nearest = points ? nearestPoint(*points, pixel, xMap, yMap) : -1;
        if (nearest >= 0)
            at = points->at(nearest);
    } else {
        at = QPointF(std::round(at.x()), 0);
    }
    return at;
}

void PlotView::placeCursor(const QPoint &pixel)
{
    const QwtScaleMap xMap = m_plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = m_plot->canvasMap(QwtCompat::yLeft);
    int index = m_cursorCount;
    if (m_cursorCount == 2) {
        // The nearer one moves.
        const auto distance = [&](const QPointF &p) {
            return std::hypot(xMap.transform(p.x()) - pixel.x(),
                              m_xy ? yMap.transform(p.y()) - pixel.y() : 0.0);
        };
        index = distance(m_cursors[0]) <= distance(m_cursors[1]) ? 0 : 1;
    }
    setCursor(index, cursorAt(pixel));
}

// Cursor A (0) or B (1) at `at`; B without A puts A there too.
void PlotView::setCursor(int index, const QPointF &at)
{
    if (index >= m_cursorCount) {
        for (int i = m_cursorCount; i < index; ++i)
            m_cursors[i] = at;
        m_cursorCount = index + 1;
    }
    m_cursors[index] = at;
    m_lastCursor = index;
    m_readoutClock.invalidate(); // what the user moved reads at once
    updateCursorMarkers();
    updateActions();
    emit changed();
}

void PlotView::updateCursorMarkers()
{
    for (int i = 0; i < 2; ++i) {
        if (i < m_cursorCount && !m_cursorMarkers[i]) {
            m_cursorMarkers[i] =
                makeCursorMarker(i == 0 ? QStringLiteral("A") : QStringLiteral("B"), m_xy);
            m_cursorMarkers[i]->attach(m_plot);
        }
        if (i < m_cursorCount)
            m_cursorMarkers[i]->setValue(m_cursors[i]);
    }
    if (m_cursorCount > 0 && !m_readout) {
        m_readout = new ReadoutLabel;
        m_readout->attach(m_plot);
    }
    prepareFrame();
}

void PlotView::removeCursors()
{
    const bool had = m_cursorCount > 0;
    m_cursorCount = 0;
    for (QwtPlotMarker *&marker : m_cursorMarkers) {
        delete marker;
        marker = nullptr;
    }
    delete m_readout;
    m_readout = nullptr;
    m_readoutSpeech.clear();
    if (m_menu)
        updateActions();
    if (had)
        emit changed();
}

void PlotView::prepareFrame()
{
    chooseChart();
    if (m_zoomed && !m_xy)
        m_chart->setTimeline(timeline());
    emit framePrepared();
    if (!m_readout)
        return;
    const QPointF *a = m_cursorCount > 0 ? &m_cursors[0] : nullptr;
    const QPointF *b = m_cursorCount > 1 ? &m_cursors[1] : nullptr;
    if (m_xy) {
        m_readout->setPoints(shownPoints());
        const Readout readout = pointReadout(a, b);
        m_readout->setText(readoutText(readout));
        m_readoutSpeech = ::readoutSpeech(readout);
        return;
    }
    const QVector<int> shown = shownChannels();
    const qint64 xA = a ? qint64(a->x()) : 0;
    const qint64 xB = b ? qint64(b->x()) : 0;
    const Timeline t = timeline();
    m_readout->setSeries(t, shown);
    // Live, the numbers change with every line: a reader takes in ten a second, and laying out
    // the readout's text costs more than the rest of a frame. A frame soon after shows the
    // numbers that came meanwhile, however the lines stop.
    if (isLive() && m_readoutClock.isValid() && m_readoutClock.elapsed() < readoutIntervalMs) {
        if (!m_readoutLater.isActive())
            m_readoutLater.start(int(readoutIntervalMs - m_readoutClock.elapsed()));
        return;
    }
    m_readoutClock.start();
    const Readout readout = seriesReadout(t, shown, a ? &xA : nullptr, b ? &xB : nullptr);
    m_readout->setText(readoutText(readout));
    m_readoutSpeech = ::readoutSpeech(readout);
}

void PlotView::updateActions()
{
    m_zoomOut->setEnabled(m_zoomed);
    m_resetView->setEnabled(m_zoomed);
    m_removeCursors->setEnabled(m_cursorCount > 0);
}
