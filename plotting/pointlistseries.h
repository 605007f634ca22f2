#ifndef CORVALE_POINTLISTSERIES_H
#define CORVALE_POINTLISTSERIES_H

#include <QRectF>
#include <QVector>

#include <qwt_series_data.h>

// Lets a curve read the XY points straight from the window's two lists. Handing the curve a
// copy for every received line, and rescanning all points for the autoscale bounds, would cost
// time in proportion to the points stored: with 100,000 of them, far more than a fast device
// leaves between two lines. The bounds grow with appended points and are only recomputed when
// a point on their edge is removed.
class PointListSeries final : public QwtSeriesData<QPointF>
{
public:
    PointListSeries(const QVector<double> *x, const QVector<double> *y) : m_x(x), m_y(y) {}

    size_t size() const override { return size_t(qMin(m_x->size(), m_y->size())); }
    QPointF sample(size_t i) const override { return QPointF(m_x->at(int(i)), m_y->at(int(i))); }
    QRectF boundingRect() const override;

    // Call before the first `count` points are removed from the lists.
    void aboutToRemoveFront(int count);
    // Call after the lists were changed in any other way than appending.
    void reset();

private:
    const QVector<double> *m_x;
    const QVector<double> *m_y;
    mutable int m_counted = 0; // points already inside m_minX ... m_maxY
    mutable double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
};

#endif
