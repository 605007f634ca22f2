// The mouse on the canvas as a user moves it, and a port nobody listens on.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QUdpSocket>
#include <QWheelEvent>

#include <qwt_plot.h>

#include "plotting/qwtcompat.h"

inline quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::Any), 0);
    return probe.localPort();
}

inline QPoint pixelOf(QwtPlot *plot, double x, double y)
{
    return QPoint(qRound(plot->transform(QwtCompat::xBottom, x)),
                  qRound(plot->transform(QwtCompat::yLeft, y)));
}

inline void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pixel,
                      Qt::MouseButton button, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, pixel, target->mapToGlobal(pixel), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

// A drag with the button held, as a user draws it.
inline void drag(QWidget *canvas, const QPoint &from, const QPoint &to, Qt::MouseButton button)
{
    sendMouse(canvas, QEvent::MouseButtonPress, from, button, button);
    sendMouse(canvas, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    sendMouse(canvas, QEvent::MouseMove, to, Qt::NoButton, button);
    sendMouse(canvas, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

inline void wheel(QWidget *target, const QPoint &pixel, int notches)
{
    QWheelEvent event(QPointF(pixel), QPointF(target->mapToGlobal(pixel)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(target, &event);
}

// Lines first..last of a ramp: line n carries n, 2n, ... on its channels.
inline QByteArray ramp(int first, int last, int channels)
{
    QByteArray text;
    for (int n = first; n <= last; ++n) {
        for (int c = 1; c <= channels; ++c)
            text += QByteArray::number(n * c) + (c < channels ? " " : "\r\n");
    }
    return text;
}
