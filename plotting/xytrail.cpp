#include "plotting/xytrail.h"

#include "plotting/columnreducer.h"
#include "plotting/devicepixels.h"
#include "plotting/pointstore.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "plotting/reduceddrawing.h"

#include <QPaintEngine>
#include <QPainter>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

XYTrail::XYTrail(const PointStore *store) : m_store(store)
{
    setZ(20); // where the curve would be
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
}

void XYTrail::setCurve(ReducedCurve *curve)
{
    m_curve = curve;
    curve->setDrawnTogether(true);
    m_valid = false;
}

int XYTrail::rtti() const
{
    return QwtPlotItem::Rtti_PlotUserItem + 4;
}

bool XYTrail::Mapping::operator==(const Mapping &other) const
{
    return xScale == other.xScale && xOffset == other.xOffset && yScale == other.yScale &&
           yOffset == other.yOffset && device == other.device && scale == other.scale;
}

// In device pixels relative to the canvas, on a raster device whose painter only scales and
// moves.
bool XYTrail::mapping(const QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                      const QRectF &canvasRect, Mapping *result)
{
    const double scale = rasterScale(painter);
    if (scale == 0)
        return false;
    const double xSpan = xMap.s2() - xMap.s1();
    const double ySpan = yMap.s2() - yMap.s1();
    if (xSpan == 0 || ySpan == 0)
        return false;
    result->scale = scale;
    result->device =
        QRectF(canvasRect.topLeft() * scale, canvasRect.size() * scale).toAlignedRect();
    result->xScale = scale * (xMap.p2() - xMap.p1()) / xSpan;
    result->xOffset = scale * xMap.transform(0.0) - result->device.left();
    result->yScale = scale * (yMap.p2() - yMap.p1()) / ySpan;
    result->yOffset = scale * yMap.transform(0.0) - result->device.top();
    return result->device.isValid();
}

// Point `number` in pixels of the picture, rounded; far off values stay finite for the
// clipping.
QPointF XYTrail::pixel(quint64 number) const
{
    constexpr double far = 1e300;
    const QPointF &p = m_store->at(int(number - (m_store->total() - quint64(m_store->size()))));
    return QPointF(std::round(qBound(-far, m_map.xOffset + m_map.xScale * p.x(), far)),
                   std::round(qBound(-far, m_map.yOffset + m_map.yScale * p.y(), far)));
}

void XYTrail::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect) const
{
    if (!m_curve || !m_curve->isDrawnTogether() || !m_curve->isVisible())
        return;
    Mapping map;
    if (!mapping(painter, xMap, yMap, canvasRect, &map)) {
        // A printer, a vector file or a rotated painter: everything, reduced, at once.
        m_valid = false;
        painter->save();
        painter->setPen(m_curve->pen());
        drawReducedPolyline(painter, xMap, yMap, canvasRect, m_store->size(),
                            [this](int i) { return m_store->at(i); });
        painter->restore();
        return;
    }
    const quint64 total = m_store->total();
    const bool anew = mustRedraw() || !(map == m_map) || m_curve->pen() != m_pen;
    m_map = map;
    if (anew) {
        redrawAll();
    } else if (total > m_end) {
        // From the last point drawn on, for the segment that joins it to the new ones.
        drawPoints(m_end > 0 ? m_end - 1 : 0, total);
        m_end = total;
    }
    painter->drawImage(QRectF(map.device.topLeft() / map.scale, map.device.size() / map.scale),
                       m_image);
}

void XYTrail::redrawAll() const
{
    m_pen = m_curve->pen();
    m_generation = m_store->generation();
    m_end = m_store->total();
    m_first = m_end - quint64(m_store->size());
    if (m_image.size() != m_map.device.size())
        m_image = QImage(m_map.device.size(), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    drawPoints(m_first, m_end);
    m_drawnWhole.start();
    m_valid = true;
}

void XYTrail::drawPoints(quint64 from, quint64 to) const
{
    if (to <= from)
        return;
    QPolygonF points;
    PixelRunReducer reducer(&points);
    for (quint64 n = from; n < to; ++n) {
        const QPointF p = pixel(n);
        reducer.add(p.x(), p.y());
    }
    reducer.flush();
    const QRectF inside = QRectF(m_image.rect()).adjusted(-1, -1, 1, 1);
    const QRectF bounds = points.boundingRect();
    if (bounds.left() < inside.left() || bounds.right() > inside.right() ||
        bounds.top() < inside.top() || bounds.bottom() > inside.bottom())
        points = QwtCompat::clippedPolyline(inside, points);
    // The runs of a row or a column are written straight into the picture; only the segments
    // between runs are left to QPainter.
    const quint32 color = m_pen.color().rgba(); // the curves' colours are opaque
    const bool plain =
        m_pen.widthF() <= 1 && m_pen.style() == Qt::SolidLine && m_pen.color().alpha() == 255;
    const auto at = [](double v) {
        return int(std::lround(v));
    };
    QVector<QLineF> slanted;
    for (int i = 1; i < points.size(); ++i) {
        const QPointF &p = points.at(i - 1);
        const QPointF &q = points.at(i);
        if (plain && p.y() == q.y())
            fillRow(m_image, at(p.y()), at(qMin(p.x(), q.x())), at(qMax(p.x(), q.x())), color);
        else if (plain && p.x() == q.x())
            fillColumn(m_image, at(p.x()), at(qMin(p.y(), q.y())), at(qMax(p.y(), q.y())), color);
        else
            slanted << QLineF(p, q);
    }
    if (slanted.isEmpty())
        return;
    QPainter painter(&m_image);
    QPen pen = m_pen;
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLines(slanted);
}

// A new store, points that left the picture without the last one drawn, or points that left a
// while ago.
bool XYTrail::mustRedraw() const
{
    const quint64 total = m_store->total();
    const quint64 oldest = total - quint64(m_store->size());
    return !m_valid || m_store->generation() != m_generation || total < m_end ||
           (m_end > 0 && m_end - 1 < oldest) ||
           (oldest > m_first && m_drawnWhole.elapsed() >= StaleMs);
}

std::optional<QRect> XYTrail::changedRect() const
{
    if (!m_curve || !m_curve->isDrawnTogether() || mustRedraw())
        return std::nullopt;
    const quint64 total = m_store->total();
    if (total == m_end)
        return QRect();
    // From the last point drawn: its segment to the first new one is new too.
    const quint64 first = m_end > 0 ? m_end - 1 : 0;
    QPointF p = pixel(first);
    double left = p.x(), top = p.y(), right = p.x(), bottom = p.y();
    for (quint64 n = first + 1; n < total; ++n) {
        p = pixel(n);
        left = qMin(left, p.x());
        right = qMax(right, p.x());
        top = qMin(top, p.y());
        bottom = qMax(bottom, p.y());
    }
    const QRectF device = QRectF(QPointF(left, top), QPointF(right, bottom))
                              .translated(m_map.device.topLeft())
                              .adjusted(-2, -2, 2, 2);
    const QRectF canvas(QPointF(m_map.device.topLeft()) / m_map.scale,
                        QSizeF(m_map.device.size()) / m_map.scale);
    return QRectF(device.topLeft() / m_map.scale, device.size() / m_map.scale)
        .intersected(canvas)
        .toAlignedRect();
}

int XYTrail::newSteps() const
{
    constexpr int many = 1000;
    if (mustRedraw())
        return many;
    const quint64 total = m_store->total();
    int steps = 0;
    QPointF last = m_end > 0 ? pixel(m_end - 1) : QPointF(qQNaN(), qQNaN());
    for (quint64 n = m_end; n < total && steps < many; ++n) {
        const QPointF p = pixel(n);
        if (p != last)
            ++steps;
        last = p;
    }
    return steps;
}
