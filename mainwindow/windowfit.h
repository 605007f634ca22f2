#ifndef CORVALE_WINDOWFIT_H
#define CORVALE_WINDOWFIT_H

#include <QMargins>
#include <QRect>
#include <QSize>

// What the window's layout needs, in device-independent pixels, measured as the form draws it.
struct FormRoom
{
    QSize window;      // the whole window, without the desktop's frame
    QSize panel;       // the control panel in it
    QSize leastRest;   // the least all but the panel needs: bars, margins, the plot still readable
    int scrollBar = 0; // the breadth of a scroll bar
};

// How the window lies on one screen.
struct WindowFit
{
    bool asDrawn = true;        // it fits as the form draws it, and nothing changes
    QRect geometry;             // otherwise: the window without its frame, inside the area
    QSize maximum;              // the most the user may make it: the area less the frame
    int panelView = 0;          // the height the panel is shown in, scroll bars included
    bool scrollsAcross = false; // the panel is wider than the window: a scroll bar below it
    bool scrollsDown = false;   // the screen is too low to show the panel whole as well
};

// The window on an available area (the screen less its panels and docks), framed by the desktop.
// Where it does not fit as drawn, it takes the area's width and the height it needs there, and
// the panel keeps its drawn size in a view that scrolls. The plot gives way to the panel down to
// its least readable height; below that the panel's view gets lower, down to a strip.
WindowFit fitWindow(const FormRoom &form, const QRect &available, const QMargins &frame);

// The splash card at its own size, or, on a smaller area, as large as fits with the same shape.
QSize fitCard(const QSize &card, const QRect &available);

#endif
