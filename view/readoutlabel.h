#ifndef CORVALE_READOUTLABEL_H
#define CORVALE_READOUTLABEL_H

#include "view/timeline.h"

#include <QFont>
#include <QRectF>
#include <QTextDocument>
#include <QVector>

#include <qwt_plot_item.h>

class PointStore;

// The cursors' readout, a box on the canvas. It stands in the corner of the canvas where it
// covers the least of the curves, and keeps its corner until another covers clearly less:
// the data running under it should not make it jump about. Its text is laid out once per change,
// not for every frame that draws it: laying out rich text costs more than the rest of a frame.
class ReadoutLabel : public QwtPlotItem
{
public:
    ReadoutLabel();

    void setText(const QString &richText);
    QString text() const { return m_html; }
    // What the curves show, to find where the box covers least of them: the time series'
    // channels, or the XY points.
    void setSeries(const Timeline &timeline, const QVector<int> &channels);
    void setPoints(const PointStore *points);

    int rtti() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;
    // Where the last draw put the box, in canvas coordinates.
    QRectF lastRect() const { return m_lastRect; }

private:
    int covered(const QRectF &box, const QwtScaleMap &xMap, const QwtScaleMap &yMap) const;

    QString m_html;
    mutable QTextDocument m_document;
    Timeline m_timeline;
    QVector<int> m_channels;
    const PointStore *m_points = nullptr;
    mutable int m_corner = 0;
    mutable QRectF m_lastRect;
};

#endif
