#ifndef CORVALE_DEVICEPIXELS_H
#define CORVALE_DEVICEPIXELS_H

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>

#include <algorithm>

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

// Pixels of a 32-bit picture set straight, both ends included and clipped to the picture:
// QPainter's cosmetic lines go a pixel at a time, several times slower, for the same pixels.
inline void fillColumn(QImage &image, int x, int y1, int y2, quint32 color)
{
    if (x < 0 || x >= image.width())
        return;
    y1 = qMax(y1, 0);
    y2 = qMin(y2, image.height() - 1);
    const qsizetype stride = image.bytesPerLine();
    uchar *pixel = image.bits() + qsizetype(y1) * stride + qsizetype(x) * 4;
    for (int y = y1; y <= y2; ++y, pixel += stride)
        *reinterpret_cast<quint32 *>(pixel) = color;
}

inline void fillRow(QImage &image, int y, int x1, int x2, quint32 color)
{
    x1 = qMax(x1, 0);
    x2 = qMin(x2, image.width() - 1);
    if (y < 0 || y >= image.height() || x1 > x2)
        return;
    auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
    std::fill(row + x1, row + x2 + 1, color);
}

#endif
