#include "plotting/pointstore.h"

PointStore::PointStore(int capacity) : m_capacity(qMax(capacity, 1))
{
}

void PointStore::append(double x, double y)
{
    const QPointF point(x, y);
    if (m_points.size() < m_capacity) {
        m_points.append(point);
    } else {
        QPointF &oldest = m_points[m_oldest];
        if (m_boundsValid && onEdge(oldest))
            m_boundsValid = false;
        oldest = point;
        m_oldest = m_oldest + 1 == m_capacity ? 0 : m_oldest + 1;
    }
    ++m_total;
    if (m_boundsValid) {
        m_minX = qMin(m_minX, x);
        m_maxX = qMax(m_maxX, x);
        m_minY = qMin(m_minY, y);
        m_maxY = qMax(m_maxY, y);
    }
}

void PointStore::clear()
{
    m_points.clear();
    m_oldest = 0;
    m_total = 0;
    ++m_generation;
    m_boundsValid = false;
}

bool PointStore::onEdge(const QPointF &point) const
{
    return point.x() <= m_minX || point.x() >= m_maxX || point.y() <= m_minY || point.y() >= m_maxY;
}

PointStore::Bounds PointStore::bounds() const
{
    if (m_points.isEmpty())
        return {0, 0, 0, 0};
    if (!m_boundsValid) {
        m_minX = m_maxX = m_points.first().x();
        m_minY = m_maxY = m_points.first().y();
        for (const QPointF &point : m_points) {
            m_minX = qMin(m_minX, point.x());
            m_maxX = qMax(m_maxX, point.x());
            m_minY = qMin(m_minY, point.y());
            m_maxY = qMax(m_maxY, point.y());
        }
        m_boundsValid = true;
    }
    return {m_minX, m_maxX, m_minY, m_maxY};
}
