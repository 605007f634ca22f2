#ifndef CORVALE_LABELPLACEMENT_H
#define CORVALE_LABELPLACEMENT_H

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <Qt>
#include <QVector>

// How a QwtPlotMarker places its label: alignment and spacing as the marker takes them.
struct LabelPlacement
{
    static constexpr int DefaultSpacing = 2; // QwtPlotMarker's own default

    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    int spacing = DefaultSpacing;
};

// Finds label placements for value markers, all in canvas pixels, so that no label covers
// another or leaves the canvas. Labels that already stand apart keep the default placement;
// otherwise they are stacked above and below their points in the order of the points from top
// to bottom, moved as little as possible, on whichever side of the point they fit.
class LabelPlacer
{
public:
    // `canvas` is the rectangle the plot draws its items in; every marker has a symbol of
    // `symbolSize` and draws no lines.
    LabelPlacer(const QSizeF &symbolSize, const QRectF &canvas);

    // The rectangle a marker at `point` draws its horizontal label of `textSize` in.
    QRectF labelRect(const QPointF &point, const QSizeF &textSize,
                     const LabelPlacement &placement) const;

    // One placement per marker, for markers at `points` with labels of `textSizes`.
    QVector<LabelPlacement> place(const QVector<QPointF> &points,
                                  const QVector<QSizeF> &textSizes) const;

private:
    struct Label
    {
        int index;
        QPointF point;
        QSizeF size;
    };
    bool standApart(const QVector<QRectF> &rects, bool bounded) const;
    bool stack(const QVector<Label> &labels, unsigned below, bool bounded,
               QVector<LabelPlacement> &result) const;
    bool horizontalSide(const Label &label, int spacing, bool bounded, Qt::Alignment &side) const;

    double m_xOffset; // from the point to the label's near edge, before the spacing
    double m_yOffset;
    QRectF m_canvas;
    QRectF m_symbolArea; // points whose symbol the marker draws
};

#endif
