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
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(contentsRect()).adjusted(1, 1, -1, -1));
    }
}

void PlotCanvas::focusInEvent(QFocusEvent *event)
{
    QwtPlotCanvas::focusInEvent(event);
    update();
}

void PlotCanvas::focusOutEvent(QFocusEvent *event)
{
    QwtPlotCanvas::focusOutEvent(event);
    update();
}

void PlotCanvas::drawBorder(QPainter *painter)
{
    painter->save();
    painter->setClipRect(rect(), Qt::IntersectClip);
    QwtPlotCanvas::drawBorder(painter);
    painter->restore();
}
