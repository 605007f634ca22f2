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

#endif
