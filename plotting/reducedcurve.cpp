#include "plotting/reducedcurve.h"

#if QWT_VERSION < 0x060200
#include "plotting/columnreducer.h"

#include <QPainter>
#include <QPolygonF>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <cmath>

#endif

ReducedCurve::ReducedCurve(const QString &title) : QwtPlotCurve(title)
{
    setReduced(true);
}

void ReducedCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    if (!isDrawnTogether())
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
}

void ReducedCurve::drawAlone(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect) const
{
    QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, 0, -1);
}

#if QWT_VERSION >= 0x060200

void ReducedCurve::setReduced(bool on)
{
    setPaintAttribute(QwtPlotCurve::FilterPointsAggressive, on);
}

bool ReducedCurve::isReduced() const
{
    return testPaintAttribute(QwtPlotCurve::FilterPointsAggressive);
}

#else

void ReducedCurve::setReduced(bool on)
{
    m_reduced = on;
}

bool ReducedCurve::isReduced() const
{
    return m_reduced;
}

void ReducedCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect, int from, int to) const
{
    // The reduction only holds for plain lines on a device with whole pixels.
    if (!m_reduced || from > to || brush().style() != Qt::NoBrush || testCurveAttribute(Fitted) ||
        !QwtPainter::roundingAlignment(painter)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }

    QPolygonF points;
    points.reserve(qMin(to - from + 1, 4 * (int(canvasRect.width()) + 2)));
    ColumnReducer reducer(&points);
    const QwtSeriesData<QPointF> *series = data();
    for (int i = from; i <= to; ++i) {
        const QPointF sample = series->sample(size_t(i));
        // Rounded as Qwt rounds, in doubles, so that values far off the canvas cannot overflow.
        reducer.add(std::round(xMap.transform(sample.x())), std::round(yMap.transform(sample.y())));
    }
    reducer.flush();

    if (testPaintAttribute(ClipPolygons)) {
        const qreal margin = qMax(qreal(1.0), painter->pen().widthF());
        points =
            QwtClipper::clipPolygonF(canvasRect.adjusted(-margin, -margin, margin, margin), points);
    }
    QwtPainter::drawPolyline(painter, points);
}

#endif
