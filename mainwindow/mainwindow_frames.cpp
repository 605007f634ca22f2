// Frames paced to the data, and the view that decides what they show.

#include "mainwindow/mainwindow.h"

#include "access/formnames.h"
#include "plotting/plotcanvas.h"
#include "plotting/qwtcompat.h"
#include "plotting/storeseries.h"
#include "plotting/stripchart.h"
#include "plotting/xytrail.h"
#include "record/recordcontrols.h"
#include "spectrum/spectrumcontrols.h"
#include "trigger/triggercontrols.h"
#include "ui_mainwindow.h"
#include "view/plotview.h"

#include <QLocale>
#include <QTabBar>
#include <QToolButton>

#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>

namespace {

// New samples are drawn at once when they move the curves on by this many pixel columns, or by
// one once a frame has shown the curves for this long: curves that move are drawn at 30 frames
// a second at least, and at the display's 60 once they move by several pixels a frame.
constexpr qint64 columnsPerFrame = 3;
constexpr qint64 slowFrameMs = 33;
// A line that does not move the curves by a pixel column waits at most this long for one that
// does; ticks of 16 ms put the newest line on screen within 100 ms.
constexpr qint64 samplesDelayMs = 64;

} // namespace

// The view takes over the canvas's clicks, drags and wheel beyond the crosshair, and adds its
// actions to the plot's menu, to the keys and to the status bar.
void MainWindow::buildView()
{
    plotView = std::make_unique<PlotView>(plot, this);
    recordControls = std::make_unique<RecordControls>(plot, plotView.get(), this);
    triggerControls = std::make_unique<TriggerControls>(plot, plotView.get(), &history, this);
    spectrumControls = std::make_unique<SpectrumControls>(plotView.get(), this);
    ui->statusbar->insertPermanentWidget(0, triggerControls->statusLabel());
    ui->statusbar->addPermanentWidget(recordControls->recordLabel());
    ui->statusbar->addPermanentWidget(recordControls->recordButton());
    ui->statusbar->addPermanentWidget(plotView->freezeButton());
    connect(recordControls.get(), &RecordControls::message, this, &MainWindow::showStatus);
    connect(plotView.get(), &PlotView::shownStoresChanged, this, &MainWindow::showViewStores);
    connect(plotView.get(), &PlotView::changed, this, &MainWindow::markPlotDirty);
    // After the tab bar, before the form's own fields: their order stays as it is.
    QWidget::setTabOrder(ui->tabWidget_MonitorViews->tabBar(), plot->canvas());
    connect(triggerControls.get(), &TriggerControls::changed, this, &MainWindow::markPlotDirty);
    connect(plotView.get(), &PlotView::frozenChanged, this, [this] {
        if (rateTimer.isActive())
            updateRate();
    });
    if (xyMode)
        plotView->showPoints(&xyData);
    else
        plotView->showSeries(&yData, &history, strip->curves(), strip);
    triggerControls->showSeries(xyMode ? nullptr : &yData);
    recordControls->setColumns(recordColumns());
    describeCanvas(plot->canvas(), plotDescription(), plotView->readoutSpeech());
}

// The columns of a recording: the channels, or x and y.
QStringList MainWindow::recordColumns() const
{
    if (xyMode)
        return {QStringLiteral("x"), QStringLiteral("y")};
    QStringList columns;
    for (int c = 0; c < numChannels; ++c)
        columns << QStringLiteral("Channel %1").arg(c + 1);
    return columns;
}

// Frozen, the curves show the view's copies of the stores; live, the stores themselves.
void MainWindow::showViewStores()
{
    // The curves are those of the mode the plot was built for, which a switch may have left.
    for (QwtPlotCurve *curve : std::as_const(curves)) {
        if (auto *series = dynamic_cast<ChannelSeries *>(curve->data()))
            series->setStore(plotView->shownSeries());
        else if (auto *points = dynamic_cast<PointSeries *>(curve->data()))
            points->setStore(plotView->shownPoints());
    }
    if (strip)
        strip->setStore(plotView->shownSeries());
    if (xyTrail)
        xyTrail->setStore(plotView->shownPoints());
    markPlotDirty();
}

void MainWindow::markPlotDirty()
{
    plotDirty = true;
    if (!frameTimer.isActive())
        frameTimer.start();
}

void MainWindow::markSamplesWaiting()
{
    if (!samplesWaiting) {
        samplesWaiting = true;
        samplesWaitingSince.start();
    }
    if (!frameTimer.isActive())
        frameTimer.start();
}

// New samples are drawn when they move the curves on, and otherwise soon enough that the newest
// line is on screen within 100 ms: at width 10000, 100 lines a second move the curves by a
// column every 70 ms, and a frame for each line would show nothing new. Every frame repaints the
// whole canvas, whose pixels cost more than anything else in it. XY points count the pixel steps
// they take the curve.
bool MainWindow::samplesDue() const
{
    qint64 moved = 0;
    if (xyTrail) {
        moved = xyTrail->newSteps();
    } else {
        // Zoomed into the history, the time series is drawn whole: every frame shows what
        // arrived.
        if (!strip || !strip->isVisible())
            return true;
        moved = strip->newColumns();
    }
    const bool slow = !lastFrame.isValid() || lastFrame.elapsed() >= slowFrameMs;
    return moved >= columnsPerFrame || (moved > 0 && slow) ||
           samplesWaitingSince.elapsed() >= samplesDelayMs;
}

// Once per display frame while anything happens: take what the links delivered, then, if
// anything visible changed, bring the curves, the axes and the value markers up to date in one
// replot.
void MainWindow::frameTick()
{
    takeReceived();
    if (plotDirty || (samplesWaiting && samplesDue())) {
        const bool viewChanged = plotDirty;
        plotDirty = false;
        samplesWaiting = false;
        drawFrame(viewChanged);
        return;
    }
    // Nothing new for a whole frame: stop ticking until the reader has something.
    if (!samplesWaiting && receivedNext == receivedChunks.size() &&
        linkReader.queue().sleepIfEmpty())
        frameTimer.stop();
}

// "Plot: 3 channels, y -100 to 100", for a screen reader.
QString MainWindow::plotDescription() const
{
    const QwtScaleDiv x = plot->axisScaleDiv(QwtCompat::xBottom);
    const QwtScaleDiv y = plot->axisScaleDiv(QwtCompat::yLeft);
    const QLocale locale;
    const auto range = [&locale](const QwtScaleDiv &d) {
        return tr("%1 to %2")
            .arg(locale.toString(d.lowerBound(), 'g', 6), locale.toString(d.upperBound(), 'g', 6));
    };
    QString text = xyMode             ? tr("Plot: XY, x %1").arg(range(x))
                   : numChannels == 1 ? tr("Plot: 1 channel")
                                      : tr("Plot: %1 channels").arg(numChannels);
    if (plotView->showsSweep())
        text += tr(", a triggered sweep");
    if (plotView->isFrozen())
        text += tr(", frozen");
    return text + tr(", y %1").arg(range(y));
}

void MainWindow::drawFrame(bool viewChanged)
{
    lastFrame.start();
    triggerControls->prepareFrame();
    plotView->prepareFrame();
    // What taking a sweep or following the view changed is drawn by this frame, not again by the
    // next.
    viewChanged = viewChanged || plotDirty;
    plotDirty = false;
    updatePointMarkers();
    // The axes follow the curves shown: where working the scales out again leaves them as they
    // are drawn, only the canvas is drawn, not the axes and the layout too.
    const QwtScaleDiv x = plot->axisScaleDiv(QwtCompat::xBottom);
    const QwtScaleDiv y = plot->axisScaleDiv(QwtCompat::yLeft);
    plot->updateAxes();
    describeCanvas(plot->canvas(), plotDescription(), plotView->readoutSpeech());
    if (plot->axisScaleDiv(QwtCompat::xBottom) == x && plot->axisScaleDiv(QwtCompat::yLeft) == y) {
        // New XY points alone change only where their segments go: the rest of the canvas
        // stays as it is (unless a marker or a readout might move with them).
        if (xyTrail && !viewChanged && !vLineMarker->isVisible() && !plotView->hasCursors()) {
            if (const std::optional<QRect> changed = xyTrail->changedRect()) {
                if (!changed->isEmpty())
                    plot->canvas()->repaint(*changed);
                return;
            }
        }
        static_cast<PlotCanvas *>(plot->canvas())->replot();
        return;
    }
    plot->replot();
}
