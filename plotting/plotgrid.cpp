#include "plotting/plotgrid.h"

#include "plotting/devicepixels.h"

#include <QPaintEngine>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_scale_map.h>

bool PlotGrid::Key::operator==(const Key &other) const
{
    return device == other.device && scale == other.scale && xP1 == other.xP1 && xP2 == other.xP2 &&
           yP1 == other.yP1 && yP2 == other.yP2 && xS1 == other.xS1 && xS2 == other.xS2 &&
           yS1 == other.yS1 && yS2 == other.yS2 && xDiv == other.xDiv && yDiv == other.yDiv &&
           background == other.background && majorPen == other.majorPen &&
           minorPen == other.minorPen && xOn == other.xOn && yOn == other.yOn &&
           xMinorOn == other.xMinorOn && yMinorOn == other.yMinorOn;
}

void PlotGrid::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect) const
{
    const QBrush background = plot() ? plot()->canvasBackground() : QBrush(Qt::NoBrush);
    const double scale = rasterScale(painter);
    if (scale == 0) {
        painter->fillRect(canvasRect, background);
        QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
        return;
    }

    Key key;
    key.device = QRectF(canvasRect.topLeft() * scale, canvasRect.size() * scale).toAlignedRect();
    key.scale = scale;
    key.xP1 = xMap.p1();
    key.xP2 = xMap.p2();
    key.yP1 = yMap.p1();
    key.yP2 = yMap.p2();
    key.xS1 = xMap.s1();
    key.xS2 = xMap.s2();
    key.yS1 = yMap.s1();
    key.yS2 = yMap.s2();
    key.xDiv = xScaleDiv();
    key.yDiv = yScaleDiv();
    key.background = background;
    key.majorPen = majorPen();
    key.minorPen = minorPen();
    key.xOn = xEnabled();
    key.yOn = yEnabled();
    key.xMinorOn = xMinEnabled();
    key.yMinorOn = yMinEnabled();
    if (m_image.isNull() || !(key == m_key)) {
        m_key = key;
        m_image = QImage(key.device.size(), QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(scale);
        QPainter image(&m_image);
        image.translate(-canvasRect.topLeft());
        image.fillRect(canvasRect, background);
        QwtPlotGrid::draw(&image, xMap, yMap, canvasRect);
    }
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->drawImage(canvasRect.topLeft(), m_image);
    painter->restore();
}
