// The view's zoom: the axes the user zooms and pans to, how far zooming out may go, and which
// item draws the time series in a zoomed view.

#include "view/plotview.h"

#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "view/viewchart.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>
#include <utility>

QRectF PlotView::currentView() const
{
    const QwtScaleDiv x = m_plot->axisScaleDiv(QwtCompat::xBottom);
    const QwtScaleDiv y = m_plot->axisScaleDiv(QwtCompat::yLeft);
    return QRectF(QPointF(x.lowerBound(), y.lowerBound()), QPointF(x.upperBound(), y.upperBound()));
}

// The axes as the panel left them, to give them back.
void PlotView::startZoom()
{
    if (m_zoomed) {
        m_previous << currentView();
        return;
    }
    m_baseX = {m_plot->axisAutoScale(QwtCompat::xBottom), m_plot->axisScaleDiv(QwtCompat::xBottom)};
    m_baseY = {m_plot->axisAutoScale(QwtCompat::yLeft), m_plot->axisScaleDiv(QwtCompat::yLeft)};
    m_zoomed = true;
    if (!m_xy) {
        m_chart->setTimeline(timeline());
        m_chart->attach(m_plot);
        chooseChart();
    }
}

void PlotView::applyView(const QRectF &view)
{
    m_plot->setAxisScale(QwtCompat::xBottom, view.left(), view.right());
    m_plot->setAxisScale(QwtCompat::yLeft, view.top(), view.bottom());
    // The scales now, not at the next replot: the next pan or wheel step starts from them, and
    // a frame that finds them as it left them would not work them out.
    m_plot->updateAxes();
    chooseChart();
    updateActions();
    emit changed();
}

void PlotView::zoomTo(const QRectF &view)
{
    startZoom();
    applyView(view);
}

void PlotView::zoomOut()
{
    if (!m_zoomed)
        return;
    if (m_previous.isEmpty()) {
        resetView();
        return;
    }
    applyView(m_previous.takeLast());
}

void PlotView::endZoom()
{
    if (!m_zoomed)
        return;
    m_zoomed = false;
    m_previous.clear();
    m_chart->detach();
    m_chart->setVisible(true);
    if (m_unzoomed)
        m_unzoomed->setVisible(true);
    for (const auto &[axis, state] :
         {std::make_pair(QwtCompat::xBottom, m_baseX), std::make_pair(QwtCompat::yLeft, m_baseY)}) {
        if (state.autoScale)
            m_plot->setAxisAutoScale(axis, true);
        else
            m_plot->setAxisScaleDiv(axis, state.division);
    }
    m_plot->updateAxes();
    updateActions();
}

PlotView::AxisState PlotView::panelAxis(int axis) const
{
    if (m_zoomed)
        return axis == QwtCompat::xBottom ? m_baseX : m_baseY;
    const auto id = QwtCompat::AxisId(axis);
    return {m_plot->axisAutoScale(id), m_plot->axisScaleDiv(id)};
}

namespace {

Span spanOf(const QwtScaleDiv &division)
{
    return {qMin(division.lowerBound(), division.upperBound()),
            qMax(division.lowerBound(), division.upperBound())};
}

} // namespace

// The time series from its oldest line kept to the newest sample; the XY points' extent.
Span PlotView::xLimits() const
{
    const Span panel = spanOf(panelAxis(QwtCompat::xBottom).division);
    if (m_xy) {
        const PointStore *points = shownPoints();
        if (!points || points->size() == 0)
            return panel;
        const PointStore::Bounds b = points->bounds();
        return united(panel, withMargin(b.minX, b.maxX));
    }
    const Timeline t = timeline();
    if (t.firstX() > t.lastX())
        return panel;
    return united(panel, {double(t.firstX()), double(t.lastX() + 1)});
}

// The values in the x range shown, or the panel's fixed range where that is wider.
Span PlotView::yLimits(const Span &x) const
{
    const AxisState panel = panelAxis(QwtCompat::yLeft);
    bool found = false;
    Span values;
    const auto take = [&](double low, double high) {
        values = found ? united(values, {low, high}) : Span{low, high};
        found = true;
    };
    if (m_xy) {
        if (const PointStore *points = shownPoints(); points && points->size() > 0) {
            const PointStore::Bounds b = points->bounds();
            take(b.minY, b.maxY);
        }
    } else {
        const Timeline t = timeline();
        const qint64 from = qint64(std::ceil(qMax(x.low, double(t.firstX()))));
        const qint64 to = qint64(std::floor(qMin(x.high, double(t.lastX())))) + 1;
        for (int c = 0; c < m_curves.size() && c < t.channelCount() && from < to; ++c) {
            if (!m_curves.at(c)->isVisible())
                continue;
            const History::Summary s = t.summary(c, from, to);
            if (s.count > 0)
                take(s.min, s.max);
        }
    }
    if (!found)
        return spanOf(panel.division);
    const Span limits = withMargin(values.low, values.high);
    return panel.autoScale ? limits : united(limits, spanOf(panel.division));
}

bool PlotView::zoomedFrom(int axis, bool autoScale, double low, double high) const
{
    const AxisState &base = axis == QwtCompat::xBottom ? m_baseX : m_baseY;
    return m_zoomed && base.autoScale == autoScale &&
           (autoScale || (base.division.lowerBound() == low && base.division.upperBound() == high));
}

void PlotView::resetView()
{
    if (!m_zoomed)
        return;
    endZoom();
    emit changed();
}

// Zoomed into the window's own samples, the item that draws them unzoomed keeps drawing them,
// a frame drawing what scrolled into view; zoomed into the history, the view's chart draws.
void PlotView::chooseChart()
{
    if (!m_zoomed || m_xy || !m_unzoomed)
        return;
    const QwtScaleDiv x = m_plot->axisScaleDiv(QwtCompat::xBottom);
    const bool inWindow = qMin(x.lowerBound(), x.upperBound()) >= 0;
    m_unzoomed->setVisible(inWindow);
    m_chart->setVisible(!inWindow);
}
