#ifndef CORVALE_STORESERIES_H
#define CORVALE_STORESERIES_H

#include <QRectF>

#include <qwt_series_data.h>

class PointStore;
class SampleStore;

// Curves read the stores directly: handing a curve a copy of its samples for every line would
// cost time in proportion to the plot width. What a curve answers with is always what is
// stored; reducing it for drawing is the curve's business.

// One channel of the time series; x is the sample's position, 0 being the oldest.
class ChannelSeries final : public QwtSeriesData<QPointF>
{
public:
    ChannelSeries(const SampleStore *store, int channel) : m_store(store), m_channel(channel) {}
    // The same channel of another store (a copy kept while the plot is frozen).
    void setStore(const SampleStore *store) { m_store = store; }

    size_t size() const override;
    QPointF sample(size_t i) const override;
    // The store keeps its lowest and highest sample: the plot asks at every replot.
    QRectF boundingRect() const override;

private:
    const SampleStore *m_store;
    int m_channel;
};

// The XY points in arrival order.
class PointSeries final : public QwtSeriesData<QPointF>
{
public:
    explicit PointSeries(const PointStore *store) : m_store(store) {}
    void setStore(const PointStore *store) { m_store = store; }

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

private:
    const PointStore *m_store;
};

#endif
