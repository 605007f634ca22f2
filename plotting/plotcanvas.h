#ifndef CORVALE_PLOTCANVAS_H
#define CORVALE_PLOTCANVAS_H

#include <qwt_plot_canvas.h>

// The plot's canvas, drawn as Qwt draws it, for less.
// - Qt's raster engine draws the lines of the sunken frame along the edges of a painter without a
//   clip some fifty times slower than within one: a clip to the canvas, which changes nothing
//   drawn, takes about 0.8 ms off every frame.
// - No backing store of its own: the window's backing store keeps the picture already, and every
//   replot would otherwise draw into a pixmap first and copy that to the window.
// - No background fill: the grid (PlotGrid) draws the background with itself, from a picture of
//   both that it keeps, so the canvas needs one.
// - With the keyboard focus, a frame in the desktop's highlight colour says so.
class PlotCanvas : public QwtPlotCanvas
{
public:
    explicit PlotCanvas(QwtPlot *plot = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void drawBorder(QPainter *painter) override;
};

#endif
