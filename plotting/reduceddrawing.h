#ifndef CORVALE_REDUCEDDRAWING_H
#define CORVALE_REDUCEDDRAWING_H

#include "plotting/columnreducer.h"
#include "plotting/qwtcompat.h"

#include <QPainter>
#include <QPolygonF>
#include <QRectF>

#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <cmath>
#include <utility>

// The x range a canvas shows: the axis's, and beyond its ends what lies in the canvas's margins,
// where Qwt's curves draw too. Lowest first.
inline std::pair<double, double> shownRange(const QwtScaleMap &xMap, const QRectF &canvasRect)
{
    const double a = xMap.invTransform(canvasRect.left());
    const double b = xMap.invTransform(canvasRect.right());
    return {qMin(qMin(a, b), qMin(xMap.s1(), xMap.s2())),
            qMax(qMax(a, b), qMax(xMap.s1(), xMap.s2()))};
}

// Draws `count` points, sampleAt(0) ... sampleAt(count - 1) in plot coordinates, as a polyline
// reduced per whole unit of the painter's coordinates: what a curve draws on screen, for a
// painter that would otherwise get every point (a vector file keeps its size bounded by the
// canvas, not by the samples). Segments are cut where they leave the canvas.
template <class SampleAt>
void drawReducedPolyline(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                         const QRectF &canvasRect, int count, SampleAt sampleAt)
{
    constexpr double far = 1e300;
    QPolygonF points;
    PixelRunReducer reducer(&points);
    for (int i = 0; i < count; ++i) {
        const QPointF p = sampleAt(i);
        reducer.add(std::round(qBound(-far, xMap.transform(p.x()), far)),
                    std::round(qBound(-far, yMap.transform(p.y()), far)));
    }
    reducer.flush();
    if (points.size() < 2)
        return;
    points = QwtCompat::clippedPolyline(canvasRect.adjusted(-1, -1, 1, 1), points);
    // What cutting at the edges leaves along them stays outside: it is no part of a curve.
    painter->save();
    painter->setClipRect(canvasRect, Qt::IntersectClip);
    QwtPainter::drawPolyline(painter, points);
    painter->restore();
}

#endif
