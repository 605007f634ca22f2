#include "mainwindow/windowfit.h"

#include <algorithm>

WindowFit fitWindow(const FormRoom &form, const QRect &available, const QMargins &frame)
{
    WindowFit fit;
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    if (form.window.width() <= room.width() && form.window.height() <= room.height())
        return fit;

    fit.asDrawn = false;
    fit.maximum = room;
    const int width = std::min(form.window.width(), room.width());
    const int beside = form.window.width() - form.panel.width();
    fit.scrollsAcross = form.panel.width() > width - beside;
    const int bar = fit.scrollsAcross ? form.scrollBar : 0;
    const int wanted = form.panel.height() + bar;
    // The window grows by the bar rather than the plot giving up its height for it.
    const int height = std::min(form.window.height() + bar, room.height());
    // Two bars and a strip of the panel between them, at the least.
    const int strip = std::min(wanted, 3 * form.scrollBar);
    fit.panelView = std::min(wanted, std::max(height - form.leastRest.height(), strip));
    fit.scrollsDown = fit.panelView < wanted;

    const QSize size(width, height);
    const QPoint centred((room.width() - width) / 2, (room.height() - height) / 2);
    fit.geometry = QRect(available.topLeft() + centred + QPoint(frame.left(), frame.top()), size);
    return fit;
}

QSize fitCard(const QSize &card, const QRect &available)
{
    if (card.width() <= available.width() && card.height() <= available.height())
        return card;
    return card.scaled(available.size(), Qt::KeepAspectRatio);
}
