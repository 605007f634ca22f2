#include "plotting/pointlistseries.h"

QRectF PointListSeries::boundingRect() const
{
    const int n = int(size());
    if (n == 0) {
        m_counted = 0;
        return QRectF(1.0, 1.0, -2.0, -2.0); // Qwt's "no bounds"
    }
    if (m_counted > n)
        m_counted = 0;
    if (m_counted == 0) {
        m_minX = m_maxX = m_x->at(0);
        m_minY = m_maxY = m_y->at(0);
    }
    for (int i = m_counted; i < n; ++i) {
        const double x = m_x->at(i);
        const double y = m_y->at(i);
        m_minX = qMin(m_minX, x);
        m_maxX = qMax(m_maxX, x);
        m_minY = qMin(m_minY, y);
        m_maxY = qMax(m_maxY, y);
    }
    m_counted = n;
    return QRectF(m_minX, m_minY, m_maxX - m_minX, m_maxY - m_minY);
}

void PointListSeries::aboutToRemoveFront(int count)
{
    const int removed = qMin(count, m_counted);
    for (int i = 0; i < removed; ++i) {
        const double x = m_x->at(i);
        const double y = m_y->at(i);
        if (x <= m_minX || x >= m_maxX || y <= m_minY || y >= m_maxY) {
            reset();
            return;
        }
    }
    m_counted -= removed;
}

void PointListSeries::reset()
{
    m_counted = 0;
}
