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
    plot()->drawCanvas(&painter);
    // A replot repaints only the inside of the frame.
    if (frameWidth() > 0 && !contentsRect().contains(event->region().boundingRect()))
        drawBorder(&painter);
}

void PlotCanvas::drawBorder(QPainter *painter)
{
    painter->save();
    painter->setClipRect(rect(), Qt::IntersectClip);
    QwtPlotCanvas::drawBorder(painter);
    painter->restore();
}
