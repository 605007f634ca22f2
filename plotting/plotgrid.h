#ifndef CORVALE_PLOTGRID_H
#define CORVALE_PLOTGRID_H

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QRect>

#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>

// The plot's grid, drawn with the canvas background under it: both change only with the axes
// or the canvas, while the curves above them move with every frame. So they are drawn once into
// an image and copied from there, which costs a third of filling the background and stroking
// the dotted lines anew. The canvas (PlotCanvas) leaves its background to this item.
class PlotGrid : public QwtPlotGrid
{
public:
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    struct Key
    {
        QRect device; // the canvas in device pixels
        double scale = 0;
        double xP1 = 0, xP2 = 0, yP1 = 0, yP2 = 0;
        double xS1 = 0, xS2 = 0, yS1 = 0, yS2 = 0;
        QwtScaleDiv xDiv, yDiv;
        QBrush background;
        QPen majorPen, minorPen;
        bool xOn = false, yOn = false, xMinorOn = false, yMinorOn = false;
        bool operator==(const Key &other) const;
    };

    mutable QImage m_image;
    mutable Key m_key;
};

#endif
