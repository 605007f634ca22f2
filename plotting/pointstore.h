#ifndef CORVALE_POINTSTORE_H
#define CORVALE_POINTSTORE_H

#include <QPointF>
#include <QVector>

// The XY points in arrival order, at most `capacity` of them: once full, every new point pushes
// out the oldest in constant time, so a long session cannot use up the memory. The bounds that
// drive autoscaling grow with each point; they are scanned anew (once, when next asked) only
// after a point on their edge went.
class PointStore
{
public:
    static constexpr int DefaultCapacity = 100000;

    explicit PointStore(int capacity = DefaultCapacity);

    void append(double x, double y);
    void clear();

    int size() const { return int(m_points.size()); }
    // Points are numbered from 0 since the last clear, whose count generation() is: the
    // oldest held is number total() - size(). Drawing that follows the numbers can keep what
    // it drew of older points.
    quint64 total() const { return m_total; }
    quint64 generation() const { return m_generation; }
    int capacity() const { return m_capacity; }
    // Point `index`, 0 being the oldest.
    const QPointF &at(int index) const
    {
        int slot = m_oldest + index;
        if (slot >= m_capacity)
            slot -= m_capacity;
        return m_points[slot];
    }
    struct Bounds
    {
        double minX, maxX, minY, maxY;
    };
    // Of every point held; undefined while empty.
    Bounds bounds() const;

private:
    bool onEdge(const QPointF &point) const;

    int m_capacity;
    QVector<QPointF> m_points; // a ring once it holds m_capacity points
    int m_oldest = 0;
    quint64 m_total = 0;
    quint64 m_generation = 0;
    mutable bool m_boundsValid = false;
    mutable double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
};

#endif
