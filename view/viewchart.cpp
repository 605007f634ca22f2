#include "view/viewchart.h"

#include "plotting/columnreducer.h"
#include "plotting/devicepixels.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "plotting/reduceddrawing.h"

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
    if (drawSpans(painter, xMap, yMap, canvasRect))
        return;
    const bool round = QwtPainter::roundingAlignment(painter);
    const QRectF inside = canvasRect.adjusted(-1, -1, 1, 1);
    // What cutting at the edges leaves along them stays outside: it is no part of a curve.
    painter->save();
    painter->setClipRect(canvasRect, Qt::IntersectClip);
    for (int c = 0; c < m_curves.size() && c < m_timeline.channelCount(); ++c) {
        if (!m_curves.at(c)->isVisible())
            continue;
        QPolygonF points = polyline(c, xMap, yMap, canvasRect, round);
        if (points.isEmpty())
            continue;
        const QRectF bounds = points.boundingRect();
        if (bounds.top() < inside.top() || bounds.bottom() > inside.bottom() ||
            bounds.left() < inside.left() || bounds.right() > inside.right())
            points = QwtCompat::clippedPolyline(inside, points);
        painter->setPen(m_curves.at(c)->pen());
        QwtPainter::drawPolyline(painter, points);
    }
    painter->restore();
}

// Many samples to a pixel column (zoomed out): each channel is a run of vertical spans, one a
// column, from its lowest to its highest sample and on to the last sample of the column before,
// written straight into a picture of the canvas. The pixels are those of the polyline through
// the columns' first, lowest, highest and last samples, but for the joins between two columns,
// which stand in the later column; QPainter takes several times as long for the same pixels.
bool ViewChart::drawSpans(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                          const QRectF &canvasRect) const
{
    const double scale = rasterScale(painter);
    if (scale == 0)
        return false;
    const auto [s1, s2] = shownRange(xMap, canvasRect);
    const qint64 from = qMax(m_timeline.firstX(), qint64(std::floor(s1)));
    const qint64 to = qMin(m_timeline.lastX(), qint64(std::ceil(s2)));
    const QRect device =
        QRectF(canvasRect.topLeft() * scale, canvasRect.size() * scale).toAlignedRect();
    if (from > to || device.isEmpty() || double(to - from + 1) < 4.0 * device.width())
        return false;
    for (const ReducedCurve *curve : m_curves) {
        const QPen pen = curve->pen();
        if (curve->isVisible() && (pen.widthF() > 1 || pen.style() != Qt::SolidLine))
            return false;
    }
    if (m_image.size() != device.size())
        m_image = QImage(device.size(), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    const int width = m_image.width();
    // Device pixels of the picture: columns from positions, rows from values.
    const double xScale = scale * (xMap.p2() - xMap.p1()) / (xMap.s2() - xMap.s1());
    const double xOffset = scale * xMap.transform(0.0) - device.left();
    const double yScale = scale * (yMap.p2() - yMap.p1()) / (yMap.s2() - yMap.s1());
    const double yOffset = scale * yMap.transform(0.0) - device.top();
    const auto column = [&](qint64 x) {
        return std::floor(xOffset + xScale * double(x) + 0.5);
    };
    const auto row = [&](double v) {
        return std::floor(qBound(-1e9, yOffset + yScale * v, 1e9) + 0.5);
    };
    for (int c = 0; c < m_curves.size() && c < m_timeline.channelCount(); ++c) {
        if (!m_curves.at(c)->isVisible())
            continue;
        const quint32 color = m_curves.at(c)->pen().color().rgba(); // opaque
        bool joined = false;
        double lastRow = 0;
        qint64 x = from;
        while (x <= to) {
            const double col = column(x);
            qint64 last = qBound(x, qint64(std::floor((col + 0.5 - xOffset) / xScale)), to);
            while (last > x && column(last) != col)
                --last;
            while (last < to && column(last + 1) == col)
                ++last;
            const History::Summary s = m_timeline.summary(c, x, last + 1);
            double top = qMin(row(s.min), row(s.max));
            double bottom = qMax(row(s.min), row(s.max));
            if (joined) {
                top = qMin(top, lastRow);
                bottom = qMax(bottom, lastRow);
            }
            lastRow = row(s.last);
            joined = true;
            x = last + 1;
            if (col >= 0 && col < width) // rows are bounded, columns need not be
                fillColumn(m_image, int(col), int(top), int(bottom), color);
        }
    }
    painter->drawImage(QRectF(canvasRect.topLeft(), QSizeF(device.size()) / scale), m_image);
    return true;
}

QPolygonF ViewChart::polyline(int channel, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, bool round) const
{
    QPolygonF points;
    // The samples in view and one beyond each edge, for the segments that leave the canvas.
    const auto [s1, s2] = shownRange(xMap, canvasRect);
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
