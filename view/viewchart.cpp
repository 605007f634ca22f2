#include "view/viewchart.h"

#include "plotting/columnreducer.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"

#include <QPainter>
#include <QPolygonF>

#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <cmath>

namespace {

// Pixels far off the canvas only need to stay finite for the clipping.
double pixel(double value, bool round)
{
    constexpr double far = 1e300;
    value = qBound(-far, value, far);
    return round ? std::round(value) : value;
}

} // namespace

ViewChart::ViewChart()
{
    setZ(20); // where the curves would be
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
}

int ViewChart::rtti() const
{
    return QwtPlotItem::Rtti_PlotUserItem + 2;
}

void ViewChart::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                     const QRectF &canvasRect) const
{
    for (const ReducedCurve *curve : m_curves) {
        if (!curve->isDrawnTogether())
            return; // the curves draw every sample themselves, to compare
    }
    const bool round = QwtPainter::roundingAlignment(painter);
    const QRectF inside = canvasRect.adjusted(-1, -1, 1, 1);
    for (int c = 0; c < m_curves.size() && c < m_timeline.channelCount(); ++c) {
        if (!m_curves.at(c)->isVisible())
            continue;
        QPolygonF points = polyline(c, xMap, yMap, round);
        if (points.isEmpty())
            continue;
        const QRectF bounds = points.boundingRect();
        if (bounds.top() < inside.top() || bounds.bottom() > inside.bottom() ||
            bounds.left() < inside.left() || bounds.right() > inside.right())
            points = QwtCompat::clippedPolyline(inside, points);
        painter->setPen(m_curves.at(c)->pen());
        QwtPainter::drawPolyline(painter, points);
    }
}

QPolygonF ViewChart::polyline(int channel, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              bool round) const
{
    QPolygonF points;
    // The samples in view and one beyond each edge, for the segments that leave the canvas.
    const double s1 = qMin(xMap.s1(), xMap.s2());
    const double s2 = qMax(xMap.s1(), xMap.s2());
    const qint64 from = qMax(m_timeline.firstX(), qint64(std::floor(s1)) - 1);
    const qint64 to = qMin(m_timeline.lastX(), qint64(std::ceil(s2)) + 1);
    if (from > to)
        return points;
    ColumnReducer reducer(&points);
    const auto y = [&](double value) {
        return pixel(yMap.transform(value), round);
    };
    const double columns = std::fabs(xMap.p2() - xMap.p1()) + 2;
    // Columns are whole pixels also where the painter does not round (vector output): what
    // it draws stays bounded by the canvas width.
    const auto column = [&](qint64 x) {
        return std::round(xMap.transform(double(x)));
    };
    if (double(to - from + 1) <= 4 * columns) {
        for (qint64 x = from; x <= to; ++x)
            reducer.add(column(x), y(m_timeline.at(channel, x)));
        reducer.flush();
        return points;
    }
    // Many samples to a column: each column's samples summed up at once.
    qint64 x = from;
    while (x <= to) {
        const double c = column(x);
        // The last sample of the column, from the inverse of the scale map, then made exact.
        qint64 last = qBound(x, qint64(std::floor(xMap.invTransform(c + 0.5))), to);
        while (last > x && column(last) != c)
            --last;
        while (last < to && column(last + 1) == c)
            ++last;
        const History::Summary s = m_timeline.summary(channel, x, last + 1);
        reducer.add(c, y(s.first));
        reducer.add(c, y(s.min));
        reducer.add(c, y(s.max));
        reducer.add(c, y(s.last));
        x = last + 1;
    }
    reducer.flush();
    return points;
}
