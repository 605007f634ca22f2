// What the user does to the view: the actions with their keys and menu, and the mouse on the
// canvas and the axes.

#include "view/plotview.h"

#include "plotting/qwtcompat.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>
#include <qwt_scale_widget.h>

#include <cmath>

namespace {

// A wheel notch zooms by this much.
constexpr double wheelFactor = 1.25;
// A rubber band smaller than this, in pixels, zooms nothing along that axis.
constexpr int minimumBand = 3;

} // namespace

void PlotView::createActions(QWidget *window)
{
    m_freeze = new QAction(tr("Freeze"), window);
    m_freeze->setObjectName(QStringLiteral("actionFreeze"));
    m_freeze->setCheckable(true);
    m_freeze->setShortcuts({QKeySequence(Qt::Key_P), QKeySequence(Qt::Key_Pause)});
    m_freeze->setIcon(window->style()->standardIcon(QStyle::SP_MediaPause));
    m_freeze->setToolTip(tr("Freeze the plot (P)"));
    connect(m_freeze, &QAction::toggled, this, &PlotView::setFrozen);

    // Escape does whichever of the two applies; the menu shows it as their key.
    m_zoomOut = new QAction(tr("Zoom out"), window);
    m_zoomOut->setObjectName(QStringLiteral("actionZoomOut"));
    connect(m_zoomOut, &QAction::triggered, this, &PlotView::zoomOut);
    m_resetView = new QAction(tr("Reset view") + QStringLiteral("\tEsc"), window);
    m_resetView->setObjectName(QStringLiteral("actionResetView"));
    connect(m_resetView, &QAction::triggered, this, &PlotView::resetView);
    m_removeCursors = new QAction(tr("Remove cursors") + QStringLiteral("\tEsc"), window);
    m_removeCursors->setObjectName(QStringLiteral("actionRemoveCursors"));
    connect(m_removeCursors, &QAction::triggered, this, &PlotView::removeCursors);
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(m_escape, &QShortcut::activated, this, &PlotView::escape);

    window->addAction(m_freeze);
    m_menu = new QMenu(window);
    m_menu->setObjectName(QStringLiteral("plotMenu"));
    m_menu->addAction(m_freeze);
    m_menu->addSeparator();
    m_menu->addAction(m_zoomOut);
    m_menu->addAction(m_resetView);
    m_menu->addAction(m_removeCursors);

    m_freezeButton = new QToolButton;
    m_freezeButton->setObjectName(QStringLiteral("toolButton_freeze"));
    m_freezeButton->setDefaultAction(m_freeze);
    m_freezeButton->setAutoRaise(true);
    m_freezeButton->setFocusPolicy(Qt::NoFocus);
    updateActions();
}

void PlotView::setPlotShown(bool shown)
{
    m_freeze->setEnabled(shown);
    m_escape->setEnabled(shown);
}

void PlotView::rubberBandSelected(const QVector<QPoint> &pixels)
{
    if (pixels.size() < 2)
        return;
    const QRect band = QRect(pixels.first(), pixels.last()).normalized();
    const bool x = band.width() >= minimumBand;
    const bool y = band.height() >= minimumBand;
    if (!x && !y)
        return; // a click
    QRectF view = currentView();
    const auto plotX = [this](int p) {
        return QwtCompat::invTransform(m_plot, QwtCompat::xBottom, p);
    };
    const auto plotY = [this](int p) {
        return QwtCompat::invTransform(m_plot, QwtCompat::yLeft, p);
    };
    if (x) {
        view.setLeft(plotX(band.left()));
        view.setRight(plotX(band.right()));
    }
    if (y) {
        view.setTop(plotY(band.bottom()));
        view.setBottom(plotY(band.top()));
    }
    zoomTo(view);
}

void PlotView::zoomAround(const QPointF &pixel, double factor, bool x, bool y)
{
    QRectF view = currentView();
    const QwtScaleMap xMap = m_plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = m_plot->canvasMap(QwtCompat::yLeft);
    if (x) {
        const double at = xMap.invTransform(pixel.x());
        view.setLeft(at + (view.left() - at) * factor);
        view.setRight(at + (view.right() - at) * factor);
    }
    if (y) {
        const double at = yMap.invTransform(pixel.y());
        view.setTop(at + (view.top() - at) * factor);
        view.setBottom(at + (view.bottom() - at) * factor);
    }
    if (factor > 1) {
        const QRectF current = currentView();
        const Span xSpan =
            grownWithin({current.left(), current.right()}, {view.left(), view.right()}, xLimits());
        view.setLeft(xSpan.low);
        view.setRight(xSpan.high);
        const Span ySpan = grownWithin({current.top(), current.bottom()},
                                       {view.top(), view.bottom()}, yLimits(xSpan));
        view.setTop(ySpan.low);
        view.setBottom(ySpan.high);
    }
    zoomTo(view);
}

void PlotView::pan(const QPoint &pixel)
{
    if (!m_panMoved) {
        if (pixel == m_panFrom)
            return;
        // One step to go back to for the whole drag.
        m_panMoved = true;
        m_panStart = currentView();
        startZoom();
    }
    const QwtScaleMap xMap = m_plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = m_plot->canvasMap(QwtCompat::yLeft);
    // Distances in plot units at the scales the drag started with.
    const double dx = (m_panFrom.x() - pixel.x()) * (m_panStart.width() / (xMap.p2() - xMap.p1()));
    const double dy = (m_panFrom.y() - pixel.y()) * (m_panStart.height() / (yMap.p2() - yMap.p1()));
    applyPan(m_panStart, m_panStart.translated(dx, dy));
}

// Into the past, the view stops following the data.
void PlotView::applyPan(const QRectF &start, const QRectF &view)
{
    if (!m_xy && !m_frozen && view.left() < 0 && view.left() < start.left())
        setFrozen(true);
    applyView(view);
}

void PlotView::escape()
{
    if (m_zoomed)
        resetView();
    else
        removeCursors();
}

void PlotView::showMenu(const QPoint &globalPos)
{
    m_menuPixel = m_plot->canvas()->mapFromGlobal(globalPos);
    updateActions();
    m_menu->popup(globalPos);
}

bool PlotView::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *canvas = m_plot->canvas();
    if (watched != canvas) {
        // The wheel over an axis scale zooms that axis only, around the mouse.
        if (event->type() != QEvent::Wheel)
            return false;
        auto *wheel = static_cast<QWheelEvent *>(event);
        const bool x = watched == m_plot->axisWidget(QwtCompat::xBottom);
        const QPoint global =
            static_cast<QWidget *>(watched)->mapToGlobal(wheel->position().toPoint());
        const QPoint pixel = canvas->mapFromGlobal(global);
        zoomAround(pixel, std::pow(wheelFactor, -wheel->angleDelta().y() / 120.0), x, !x);
        return true;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pixel = QwtCompat::mousePosition(mouse);
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::ShiftModifier) {
            placeCursor(pixel);
            return true;
        }
        if (mouse->button() == Qt::MiddleButton) {
            m_panning = true;
            m_panMoved = false;
            m_panFrom = pixel;
            return true;
        }
        return false;
    }
    case QEvent::MouseMove:
        // The crosshair follows all the same: the window's filter comes next.
        if (m_panning)
            pan(QwtCompat::mousePosition(static_cast<QMouseEvent *>(event)));
        return false;
    case QEvent::MouseButtonRelease:
        if (m_panning && static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton) {
            m_panning = false;
            return true;
        }
        return false;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            resetView();
            return true;
        }
        return false;
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        zoomAround(wheel->position().toPoint(),
                   std::pow(wheelFactor, -wheel->angleDelta().y() / 120.0), true, true);
        return true;
    }
    case QEvent::ContextMenu: {
        auto *menu = static_cast<QContextMenuEvent *>(event);
        // From the keyboard, at the canvas's centre rather than wherever the mouse happens to be.
        showMenu(menu->reason() == QContextMenuEvent::Keyboard
                     ? canvas->mapToGlobal(canvas->rect().center())
                     : menu->globalPos());
        return true;
    }
    case QEvent::KeyPress:
        return keyPressed(static_cast<QKeyEvent *>(event));
    default:
        return false;
    }
}
