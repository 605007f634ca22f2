#include "mainwindow/panelscroller.h"

#include <QBoxLayout>
#include <QResizeEvent>
#include <QScrollBar>

PanelScroller::PanelScroller(QWidget *parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Across, the view takes what the window has; down, the panel and its bar decide.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    hide();
}

int PanelScroller::barBreadth()
{
    return QScrollBar(Qt::Horizontal).sizeHint().height();
}

void PanelScroller::hold(QBoxLayout *layout, QWidget *panel, const QSize &drawn)
{
    drawnSize = drawn;
    panelMinimum = panel->minimumSize();
    panelFilled = panel->autoFillBackground();
    delete layout->replaceWidget(panel, this);
    // Where the window is wider, the panel stretches as the form lets it; never narrower.
    panel->setMinimumSize(drawn);
    setWidget(panel);
    panel->installEventFilter(this);
    keepPanelWhole();
    show();
}

// The panel's own layout may come to need more than it was measured at (a larger font, a longer
// text): the view then scrolls over all of it instead of squeezing the controls at its edge.
void PanelScroller::keepPanelWhole()
{
    QWidget *panel = widget();
    if (!panel || !panel->layout())
        return;
    const QSize whole = drawnSize.expandedTo(panel->minimumSizeHint());
    if (panel->minimumSize() != whole) {
        panel->setMinimumSize(whole);
        updateGeometry();
        // The window was fitted to the panel as measured: it fits itself again.
        if (whole != drawnSize && onGrown)
            onGrown();
    }
}

bool PanelScroller::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        keepPanelWhole();
    return QScrollArea::eventFilter(watched, event);
}

void PanelScroller::giveBack(QBoxLayout *layout)
{
    QWidget *panel = takeWidget();
    panel->removeEventFilter(this);
    panel->setMinimumSize(panelMinimum);
    panel->setAutoFillBackground(panelFilled);
    panel->setParent(parentWidget());
    delete layout->replaceWidget(this, panel);
    panel->show();
}

bool PanelScroller::panelWider() const
{
    const QWidget *panel = widget();
    return (panel ? panel->minimumWidth() : drawnSize.width()) > width() - 2 * frameWidth();
}

QSize PanelScroller::sizeHint() const
{
    hintWithBar = panelWider();
    const int bar = hintWithBar ? horizontalScrollBar()->sizeHint().height() : 0;
    const QSize panel = widget() ? widget()->minimumSize() : drawnSize;
    return panel + QSize(2 * frameWidth(), 2 * frameWidth() + bar);
}

void PanelScroller::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    // The bar below comes and goes with the width; the height follows it.
    if (panelWider() != hintWithBar)
        updateGeometry();
}
