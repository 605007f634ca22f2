#include "plotting/storeseries.h"

#include "plotting/pointstore.h"
#include "plotting/samplestore.h"

namespace {

// Autoscaling divides the span of the data into ticks, but between the largest finite values
// the span itself is infinite. Within +-1e300 it never is; no device's numbers lie beyond.
QRectF finiteBounds(double minX, double maxX, double minY, double maxY)
{
    constexpr double limit = 1e300;
    minX = qBound(-limit, minX, limit);
    maxX = qBound(-limit, maxX, limit);
    minY = qBound(-limit, minY, limit);
    maxY = qBound(-limit, maxY, limit);
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

} // namespace

// The positions that hold samples: all of them, but in a store taken of a sweep.
size_t ChannelSeries::size() const
{
    return m_channel < m_store->channelCount() ? size_t(m_store->width() - m_store->heldFrom()) : 0;
}

QPointF ChannelSeries::sample(size_t i) const
{
    const int position = m_store->heldFrom() + int(i);
    return QPointF(double(position), m_store->at(m_channel, position));
}

QRectF ChannelSeries::boundingRect() const
{
    const int n = int(size());
    if (n == 0)
        return QRectF(1.0, 1.0, -2.0, -2.0); // Qwt's "no bounds"
    return finiteBounds(double(m_store->heldFrom()), double(m_store->width() - 1),
                        m_store->minimum(m_channel), m_store->maximum(m_channel));
}

size_t PointSeries::size() const
{
    return size_t(m_store->size());
}

QPointF PointSeries::sample(size_t i) const
{
    return m_store->at(int(i));
}

QRectF PointSeries::boundingRect() const
{
    if (m_store->size() == 0)
        return QRectF(1.0, 1.0, -2.0, -2.0);
    const PointStore::Bounds b = m_store->bounds();
    return finiteBounds(b.minX, b.maxX, b.minY, b.maxY);
}
