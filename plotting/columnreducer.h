#ifndef CORVALE_COLUMNREDUCER_H
#define CORVALE_COLUMNREDUCER_H

#include <QPointF>
#include <QPolygonF>

// Collects points mapped to whole pixels, keeping of each run of points in one pixel column its
// first, lowest, highest and last point. Drawn as a polyline, they set the pixels that drawing
// every point would, spikes included, at a cost bounded by the columns instead of the points.
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
            // Whichever way round is shorter: the same pixels, fewer of them drawn twice.
            const bool lowFirst =
                (m_first - m_min) + (m_max - m_last) <= (m_max - m_first) + (m_last - m_min);
            for (double y : {lowFirst ? m_min : m_max, lowFirst ? m_max : m_min, m_last}) {
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

// The same for points in any order (an XY curve): runs of points in one pixel column, or in one
// pixel row, are kept as their first, extreme and last points. A curve that wanders about a few
// pixels, noise on a slow sweep, comes down to a few points a row or column instead of one a
// sample.
class PixelRunReducer
{
public:
    explicit PixelRunReducer(QPolygonF *out) : m_out(out) {}

    void add(double x, double y)
    {
        if (m_count > 0) {
            if (m_kind != Kind::Row && x == m_firstPoint.x()) {
                m_kind = Kind::Column;
                extend(y);
                return;
            }
            if (m_kind != Kind::Column && y == m_firstPoint.y()) {
                m_kind = Kind::Row;
                extend(x);
                return;
            }
        }
        flush();
        m_firstPoint = QPointF(x, y);
        m_count = 1;
        m_kind = Kind::Point;
        m_first = m_min = m_max = m_last = 0;
    }

    void flush()
    {
        if (m_count == 0)
            return;
        m_out->append(m_firstPoint);
        if (m_kind != Kind::Point) {
            const bool lowFirst =
                (m_first - m_min) + (m_max - m_last) <= (m_max - m_first) + (m_last - m_min);
            for (double v : {lowFirst ? m_min : m_max, lowFirst ? m_max : m_min, m_last}) {
                const QPointF p = m_kind == Kind::Column ? QPointF(m_firstPoint.x(), v)
                                                         : QPointF(v, m_firstPoint.y());
                if (p != m_out->last())
                    m_out->append(p);
            }
        }
        m_count = 0;
    }

private:
    enum class Kind { Point, Column, Row };

    // Another point of the run, by the coordinate that moves along it.
    void extend(double v)
    {
        if (m_count == 1) {
            m_first = m_kind == Kind::Column ? m_firstPoint.y() : m_firstPoint.x();
            m_min = m_max = m_first;
        }
        m_min = v < m_min ? v : m_min;
        m_max = v > m_max ? v : m_max;
        m_last = v;
        ++m_count;
    }

    QPolygonF *m_out;
    int m_count = 0;
    Kind m_kind = Kind::Point;
    QPointF m_firstPoint;
    double m_first = 0, m_min = 0, m_max = 0, m_last = 0;
};

#endif
