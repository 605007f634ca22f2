#include "plotting/plotcanvas.h"

#include <QPainter>
#include <QPaintEvent>

#include <qwt_plot.h>

PlotCanvas::PlotCanvas(QwtPlot *plot) : QwtPlotCanvas(plot)
{
    setPaintAttribute(QwtPlotCanvas::BackingStore, false);
}

void PlotCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // A replot repaints only the inside of the frame; anything more gets the background first,
    // for the pixels that a scaled frame leaves between its lines and the inside.
    const bool whole = !contentsRect().contains(event->region().boundingRect());
    if (whole)
        painter.fillRect(rect(), palette().brush(backgroundRole()));
    plot()->drawCanvas(&painter);
    if (whole && frameWidth() > 0)
        drawBorder(&painter);
}

void PlotCanvas::drawBorder(QPainter *painter)
{
    painter->save();
    painter->setClipRect(rect(), Qt::IntersectClip);
    QwtPlotCanvas::drawBorder(painter);
    painter->restore();
}
