#ifndef CORVALE_DEVICEPIXELS_H
#define CORVALE_DEVICEPIXELS_H

#include <QPaintEngine>
#include <QPainter>
#include <QTransform>

// Device pixels per logical pixel of a painter that draws on a raster device and only scales
// (alike in both directions) and moves, or 0 for any other (a printer, a vector file, a rotated
// painter). Pictures kept in device pixels serve only the first kind: the window's backing store
// and a grab of the canvas alike.
inline double rasterScale(const QPainter *painter)
{
    if (!painter->paintEngine() || painter->paintEngine()->type() != QPaintEngine::Raster)
        return 0;
    const QTransform t = painter->deviceTransform();
    if (t.type() > QTransform::TxScale || t.m11() != t.m22() || t.m11() <= 0)
        return 0;
    return t.m11();
}

#endif
