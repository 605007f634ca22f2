// The window on its screen: as the form draws it where it fits the available area, fitted to the
// area with the panel in a scrolling view where it does not, and fitted again when it moves to
// another screen or the desktop changes the area or its scale.

#include "mainwindow/mainwindow.h"

#include "mainwindow/formfit.h"
#include "mainwindow/panelscroller.h"
#include "mainwindow/windowfit.h"
#include "ui_mainwindow.h"

#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <optional>

QRect MainWindow::desktopStandIn;

QRect MainWindow::availableArea() const
{
    if (desktopStandIn.isValid())
        return desktopStandIn;
    return screen()->availableGeometry();
}

std::optional<QMargins> MainWindow::windowFrame() const
{
    // The desktop tells the frame once the window is on it. While a window manager frames the
    // window, X11 can report a frame of the wrong sign: not known yet either.
    if (windowHandle() && isVisible()) {
        const QMargins frame = windowHandle()->frameMargins();
        if (frame.left() >= 0 && frame.top() >= 0 && frame.right() >= 0 && frame.bottom() >= 0)
            return frame;
    }
    return std::nullopt;
}

FormRoom MainWindow::measureForm()
{
    ensurePolished();
    FormRoom form;
    form.window = formSize.expandedTo(minimumSizeHint());
    const QMargins margins = ui->verticalLayout->contentsMargins();
    const int beside = margins.left() + margins.right();
    // As drawn the central widget is fixed at its size hint, which gives each part of it its
    // own size hint within its bounds.
    const QFrame *panel = ui->frame_2;
    const int panelHeight =
        std::clamp(panel->sizeHint().height(), panel->minimumHeight(), panel->maximumHeight());
    form.panel = QSize(form.window.width() - beside, panelHeight);
    // What the window needs beyond its central widget is its bars; the plot's tab keeps its own
    // least size.
    const int bars = minimumSizeHint().height() - ui->centralwidget->sizeHint().height();
    const QSize tabs = ui->tabWidget_MonitorViews->minimumSizeHint();
    form.leastRest =
        QSize(tabs.width() + beside, bars + margins.top() + margins.bottom() +
                                         ui->verticalLayout->spacing() + tabs.height());
    form.scrollBar = PanelScroller::barBreadth();
    return form;
}

void MainWindow::showPanelAsDrawn()
{
    panelScroller->giveBack(ui->verticalLayout);
    // The window's tree is the form's again.
    delete panelScroller;
    panelScroller = nullptr;
    QSizePolicy policy = ui->centralwidget->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Fixed);
    policy.setVerticalPolicy(QSizePolicy::Fixed);
    ui->centralwidget->setSizePolicy(policy);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void MainWindow::fitToScreen(bool anew)
{
    const QRect area = availableArea();
    // Until the desktop tells the frame, a title bar is the guess.
    const QMargins frame =
        windowFrame().value_or(QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0));
    if (!anew && area == fittedArea && frame == fittedFrame)
        return;
    fittedArea = area;
    fittedFrame = frame;
    // A desktop may still be framing a shown window, and need not move or resize it when it is
    // done: the frame is asked for again shortly after a fit.
    if (isVisible() && frameQuestions < 10) {
        ++frameQuestions;
        QTimer::singleShot(100, this, [this] { fitToScreen(false); });
    }

    const bool wasFitted = panelScroller != nullptr;
    if (wasFitted)
        showPanelAsDrawn();
    const FormRoom form = measureForm();
    const WindowFit fit = fitWindow(form, area, frame);
    if (fit.asDrawn) {
        if (wasFitted)
            resize(formSize);
        // Once the desktop has placed the window, a change of screen keeps it on the area.
        if (shownOnce) {
            const QRect framed(pos(), form.window.grownBy(frame));
            const int x = std::clamp(framed.x(), area.left(), area.right() + 1 - framed.width());
            const int y = std::clamp(framed.y(), area.top(), area.bottom() + 1 - framed.height());
            if (QPoint(x, y) != framed.topLeft())
                move(x, y);
        }
        return;
    }

    // The central widget may shrink before the panel's view goes in: showing the view lays the
    // window out at once, and a window laid out fixed would ask the desktop for its drawn width.
    QSizePolicy policy = ui->centralwidget->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Preferred);
    policy.setVerticalPolicy(QSizePolicy::Preferred);
    ui->centralwidget->setSizePolicy(policy);
    panelScroller = new PanelScroller(ui->centralwidget);
    panelScroller->setObjectName(QStringLiteral("scrollArea_Panel"));
    panelScroller->setAccessibleName(tr("Control panel"));
    panelScroller->setMaximumHeight(fit.panelView);
    panelScroller->setOnGrown([this] { refitSoon(); });
    panelScroller->hold(ui->verticalLayout, ui->frame_2, form.panel);
    setMaximumSize(fit.maximum);
    setGeometry(fit.geometry);
}

void MainWindow::followScreen()
{
    QWindow *handle = windowHandle();
    if (!handle || handle == followedWindow)
        return;
    followedWindow = handle;
    connect(handle, &QWindow::screenChanged, this, &MainWindow::watchScreen);
    watchScreen(handle->screen());
}

void MainWindow::watchScreen(QScreen *screen)
{
    if (watchedScreen)
        disconnect(watchedScreen, nullptr, this, nullptr);
    watchedScreen = screen;
    if (screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(false); });
        connect(screen, &QScreen::geometryChanged, this, [this] { fitToScreen(false); });
        // Another scale may draw the form at another size on the same area.
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { fitToScreen(true); });
    }
    fitToScreen(false);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    // The window has its frame now, and the style has polished the form.
    fitToScreen(!shownOnce);
    shownOnce = true;
    followScreen();
}

// Some desktops tell the frame only once they have framed the window, which moves or resizes it.
void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (shownOnce)
        fitToScreen(false);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (shownOnce)
        fitToScreen(false);
}

// The desktop's font can change while the window is up (or reach it only after it was built):
// the texts get their room again, and the window fits itself to the form as now drawn.
void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refitSoon();
}

// Once the widgets have their fonts and sizes: a change reaches them one after another.
void MainWindow::refitSoon()
{
    if (refitPending)
        return;
    refitPending = true;
    QTimer::singleShot(0, this, [this] {
        refitPending = false;
        // Measured as the layouts stand now, not as they stood before.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        fitFormToFonts(*ui);
        fitToScreen(true);
    });
}
