#ifndef CORVALE_VIEWCHART_H
#define CORVALE_VIEWCHART_H

#include "view/timeline.h"

#include <QImage>
#include <QList>

#include <qwt_plot_item.h>

class QPolygonF;
class ReducedCurve;

// Draws the time-series curves over any stretch of the timeline the axes show, zoomed in,
// panned into the history or zoomed out over all of it. Each pixel column shows the first,
// lowest, highest and last sample that falls into it, found from the history's block summaries,
// so that a frame over a million lines costs what the canvas is wide, not what the history
// holds. That sets the pixels drawing every sample would set.
//
// The curves stay attached for their pens and titles; while they draw together, they leave the
// drawing to this item (or, unzoomed, to the strip chart).
class ViewChart : public QwtPlotItem
{
public:
    ViewChart();

    void setCurves(const QList<ReducedCurve *> &curves) { m_curves = curves; }
    void setTimeline(const Timeline &timeline) { m_timeline = timeline; }

    int rtti() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    QPolygonF polyline(int channel, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                       const QRectF &canvasRect, bool round) const;
    bool drawSpans(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect) const;

    QList<ReducedCurve *> m_curves;
    Timeline m_timeline;
    mutable QImage m_image; // the spans of a zoomed-out view, reused from frame to frame
};

#endif
