#include "plotting/plotcanvas.h"

#include <QPainter>

PlotCanvas::PlotCanvas(QwtPlot *plot) : QwtPlotCanvas(plot)
{
    setPaintAttribute(QwtPlotCanvas::BackingStore, false);
}

void PlotCanvas::drawBorder(QPainter *painter)
{
    painter->save();
    painter->setClipRect(rect(), Qt::IntersectClip);
    QwtPlotCanvas::drawBorder(painter);
    painter->restore();
}
