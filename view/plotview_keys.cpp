// The plot without a mouse: with the focus on the canvas, keys zoom, pan, reset the view, open
// its menu and place and move the cursors, around the canvas's centre.

#include "view/plotview.h"

#include "plotting/pointstore.h"
#include "plotting/qwtcompat.h"

#include <QKeyEvent>
#include <QWidget>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>

#include <cmath>

namespace {

// A key zooms by as much as a wheel notch, and pans by a tenth of the view.
constexpr double keyZoom = 1.25;
constexpr double panShare = 0.1;

} // namespace

bool PlotView::keyPressed(const QKeyEvent *key)
{
    QWidget *canvas = m_plot->canvas();
    const QPoint centre = canvas->rect().center();
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Menu:
        showMenu(canvas->mapToGlobal(centre));
        return true;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier)
            return false;
        showMenu(canvas->mapToGlobal(centre));
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal: // + without Shift on many keyboards
        zoomAround(centre, 1 / keyZoom, true, true);
        return true;
    case Qt::Key_Minus:
        zoomAround(centre, keyZoom, true, true);
        return true;
    case Qt::Key_Home:
        resetView();
        return true;
    case Qt::Key_A:
    case Qt::Key_B:
        if (modifiers != Qt::NoModifier)
            return false;
        setCursor(key->key() == Qt::Key_A ? 0 : 1, cursorAt(centre));
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        break;
    default:
        return false;
    }
    const int direction = key->key() == Qt::Key_Left || key->key() == Qt::Key_Down ? -1 : 1;
    const bool across = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
    if (shift) {
        if (!across || m_cursorCount == 0)
            return false;
        moveCursor(direction * (ctrl ? 10 : 1));
        return true;
    }
    // The view moves the way the arrow points.
    QRectF view = currentView();
    const QRectF start = view;
    if (across)
        view.translate(direction * panShare * view.width(), 0);
    else
        view.translate(0, direction * panShare * view.height());
    startZoom();
    applyPan(start, view);
    return true;
}

// The cursor placed or moved last, by samples (XY: by points in arrival order).
void PlotView::moveCursor(int steps)
{
    QPointF at = m_cursors[m_lastCursor];
    if (!m_xy) {
        at.setX(at.x() + steps);
        setCursor(m_lastCursor, at);
        return;
    }
    const PointStore *points = shownPoints();
    if (!points || points->size() == 0)
        return;
    int index = 0;
    while (index + 1 < points->size() && points->at(index) != at)
        ++index;
    setCursor(m_lastCursor, points->at(qBound(0, index + steps, points->size() - 1)));
}
