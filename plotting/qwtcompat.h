#ifndef CORVALE_QWTCOMPAT_H
#define CORVALE_QWTCOMPAT_H

// The few places where Qwt 6.1 (Qt 5) and Qwt 6.2+ (Qt 5 or 6), or Qt 5.15 and Qt 6.x, differ.

#include <QCheckBox>
#include <QMouseEvent>
#include <QPoint>
#include <QPolygonF>
#include <QRectF>

#include <qwt_clipper.h>
#include <qwt_global.h>
#include <qwt_plot.h>

namespace QwtCompat {

#if QWT_VERSION >= 0x060200
using AxisId = QwtAxisId;
inline const AxisId xBottom = QwtAxis::XBottom;
inline const AxisId yLeft = QwtAxis::YLeft;
#else
using AxisId = int;
inline const AxisId xBottom = QwtPlot::xBottom;
inline const AxisId yLeft = QwtPlot::yLeft;
#endif

// Pixel to plot coordinate; Qwt 6.1 takes whole pixels only.
inline double invTransform(const QwtPlot *plot, AxisId axis, int pixel)
{
    return plot->invTransform(axis, pixel);
}

// Mouse position in whole pixels of the receiving widget, halves rounded away from zero.
inline QPoint mousePosition(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

// The polyline cut where it leaves the rectangle, along its own segments.
inline QPolygonF clippedPolyline(const QRectF &rect, const QPolygonF &points)
{
#if QWT_VERSION >= 0x060200
    return QwtClipper::clippedPolygonF(rect, points);
#else
    return QwtClipper::clipPolygonF(rect, points);
#endif
}

// Connects the check box's state changes to a slot that takes the state as an int (0 unchecked,
// 1 partly, 2 checked). Qt 6.7 deprecates stateChanged(int) for checkStateChanged, which
// carries the same state as a Qt::CheckState.
template <class Receiver>
QMetaObject::Connection connectStateChanged(QCheckBox *box, Receiver *receiver,
                                            void (Receiver::*slot)(int))
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    return QObject::connect(box, &QCheckBox::checkStateChanged, receiver,
                            [receiver, slot](Qt::CheckState state) { (receiver->*slot)(state); });
#else
    return QObject::connect(box, &QCheckBox::stateChanged, receiver, slot);
#endif
}

} // namespace QwtCompat

#endif
