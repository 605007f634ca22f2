#ifndef CORVALE_STRIPCHART_H
#define CORVALE_STRIPCHART_H

#include <QImage>
#include <QList>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QVector>

#include <qwt_plot_item.h>

class QPainter;
class ReducedCurve;
class SampleStore;

// Draws the time-series curves, all at once, into an image that scrolls with the samples, so
// that a frame draws only the pixel columns that new samples reached (and the oldest column,
// whose first samples left), not every sample again. Each pixel column shows the first, lowest,
// highest and last sample that falls into it, as the curves draw them by themselves.
//
// Columns belong to sample numbers, not to window positions: while new samples move the window
// on by a fraction of a pixel the picture stays, and it moves by whole columns once the newest
// sample reaches a new one. A sample is drawn at most a pixel beside its exact place. A change
// of the axes, the canvas, the pens or the channels shown draws everything again.
//
// Zoomed into the window's samples, it keeps the samples in view the same way: as lines arrive
// they scroll through the view, and a frame draws what came into it.
//
// The curves stay attached to the plot for their samples, titles and autoscaling; while they
// draw reduced, they leave the drawing to this item.
class StripChart : public QwtPlotItem
{
public:
    explicit StripChart(const SampleStore *store);

    // The curves of the channels, in channel order.
    void setCurves(const QList<ReducedCurve *> &curves);
    // Another store of the same samples (a copy kept while the plot is frozen).
    void setStore(const SampleStore *store) { m_store = store; }
    const QList<ReducedCurve *> &curves() const { return m_curves; }

    int rtti() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

    // How many pixel columns the samples stored since the last draw move the curves on.
    qint64 newColumns() const;

private:
    // From window positions and values to device pixels relative to the canvas's painter, as
    // the last draw had it.
    struct Mapping
    {
        double columnsPerSample = 0;
        double x0 = 0; // x of window position 0
        double yScale = 0;
        double yOffset = 0; // y = yOffset + yScale * value
        QRect device;       // the canvas
        double scale = 1;   // device pixels per logical pixel
        bool operator==(const Mapping &other) const;
    };

    static bool mapping(const QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect, Mapping *result);
    QVector<QPen> pens() const; // of the curves shown; no pen for a hidden one
    qint64 column(quint64 number) const;
    void number(quint64 zero, quint64 first) const;
    void redrawAll(quint64 first, quint64 end) const;
    void update(quint64 first, quint64 end) const;
    void rebase(qint64 base) const;
    void erase(qint64 fromColumn, qint64 toColumn) const;
    void drawSamples(QPainter &painter, quint64 from, quint64 to) const;
    void drawColumns(QPainter &painter, quint64 from, quint64 to, qint64 first, qint64 last) const;
    QPolygonF polyline(int channel, quint64 from, quint64 to) const;

    const SampleStore *m_store;
    QList<ReducedCurve *> m_curves;

    // What the image holds: the columns from m_base on, of the samples numbered m_first up to
    // m_end (those at the window's positions m_lo ... m_hi), drawn with this mapping and these
    // pens.
    mutable QImage m_image;
    mutable bool m_valid = false;
    mutable Mapping m_map;
    mutable QVector<QPen> m_pens;
    mutable quint64 m_generation = 0;
    mutable quint64 m_first = 0;
    mutable quint64 m_end = 0;
    mutable qint64 m_lo = 0;
    mutable qint64 m_hi = -1;
    mutable double m_phase = 0;       // column of sample n: floor(n * columnsPerSample + m_phase)
    mutable int m_left = 0;           // device x of the column of the oldest sample
    mutable qint64 m_base = 0;        // column at x = 0 of the image
    mutable QVector<bool> m_bandUsed; // bands of rows drawn into since the last full drawing
};

#endif
