#ifndef CORVALE_XYTRAIL_H
#define CORVALE_XYTRAIL_H

#include <QElapsedTimer>
#include <QImage>
#include <QPen>
#include <QPolygonF>
#include <QRect>

#include <qwt_plot_item.h>

#include <optional>

class PointStore;
class ReducedCurve;

// Draws the XY curve into a picture it keeps, so that a frame draws only the segments of the
// points that arrived since the last one, not every point held again. Each run of points in
// one pixel column is drawn as its first, lowest, highest and last point, which sets the pixels
// that drawing every point would.
//
// Points are drawn by number. The picture is drawn anew when the axes, the canvas or the pen
// change, and, once the oldest points leave the bounded store, at most twice a second: until
// then it still shows the points that left.
//
// The curve stays attached for its samples, title and autoscaling; while it draws reduced, it
// leaves the drawing to this item.
class XYTrail : public QwtPlotItem
{
public:
    explicit XYTrail(const PointStore *store);

    void setCurve(ReducedCurve *curve);
    // Another store of the same points (a copy kept while the plot is frozen).
    void setStore(const PointStore *store) { m_store = store; }

    int rtti() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

    // How many pixel steps the points that arrived since the last draw take the curve, up to
    // a few; the most there is when the picture must be drawn anew.
    int newSteps() const;
    // What of the canvas (in its own coordinates) the next draw changes when it only adds the
    // segments of new points: empty if nothing; nothing at all (nullopt) when it draws the whole
    // picture anew.
    std::optional<QRect> changedRect() const;

    // A picture showing points that left is drawn anew after this long.
    static constexpr int StaleMs = 500;

private:
    struct Mapping
    {
        double xScale = 0, xOffset = 0; // device x = xOffset + xScale * x
        double yScale = 0, yOffset = 0;
        QRect device; // the canvas
        double scale = 1;
        bool operator==(const Mapping &other) const;
    };
    static bool mapping(const QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect, Mapping *result);
    QPointF pixel(quint64 number) const;
    void redrawAll() const;
    void drawPoints(quint64 from, quint64 to) const;
    bool mustRedraw() const; // whatever the mapping and the pen

    const PointStore *m_store;
    ReducedCurve *m_curve = nullptr;

    // What the picture holds: the points numbered m_first up to m_end of that generation.
    mutable QImage m_image;
    mutable bool m_valid = false;
    mutable Mapping m_map;
    mutable QPen m_pen;
    mutable quint64 m_generation = 0;
    mutable quint64 m_first = 0;
    mutable quint64 m_end = 0;
    mutable QElapsedTimer m_drawnWhole; // since the picture was last drawn anew
};

#endif
