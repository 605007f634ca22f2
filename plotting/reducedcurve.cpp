#include "plotting/reducedcurve.h"

#if QWT_VERSION < 0x060200
#include <QPainter>
#include <QPolygonF>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <cmath>

namespace {

// Collects the mapped points, keeping of each run of points in one pixel column its first,
// lowest, highest and last point.
class ColumnReducer
{
public:
    explicit ColumnReducer(QPolygonF *out) : m_out(out) {}

    void add(double x, double y)
    {
        if (m_count > 0 && x == m_x) {
            if (y < m_min)
                m_min = y;
            if (y > m_max)
                m_max = y;
            m_last = y;
            ++m_count;
            return;
        }
        flush();
        m_x = x;
        m_first = m_min = m_max = m_last = y;
        m_count = 1;
    }

    void flush()
    {
        if (m_count == 0)
            return;
        m_out->append(QPointF(m_x, m_first));
        if (m_count > 1) {
            for (double y : {m_min, m_max, m_last}) {
                if (y != m_out->last().y())
                    m_out->append(QPointF(m_x, y));
            }
        }
        m_count = 0;
    }

private:
    QPolygonF *m_out;
    int m_count = 0;
    double m_x = 0, m_first = 0, m_min = 0, m_max = 0, m_last = 0;
};

} // namespace
#endif

ReducedCurve::ReducedCurve(const QString &title) : QwtPlotCurve(title)
{
    setReduced(true);
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
