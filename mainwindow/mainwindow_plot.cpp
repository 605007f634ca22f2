// Plot, channel table, axis ranges, XY mode and the crosshair with its value markers.

#include "mainwindow/mainwindow.h"

#include "plotting/channelcolors.h"
#include "plotting/labelplacement.h"
#include "plotting/plotcanvas.h"
#include "plotting/plotgrid.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "plotting/storeseries.h"
#include "plotting/stripchart.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include <cmath>
#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

namespace {

QWidget *makeCell(QWidget *first, QWidget *second, const QColor &tint, bool centred)
{
    auto *cell = new QWidget;
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    first->setParent(cell);
    second->setParent(cell);
    layout->addWidget(first);
    layout->addWidget(second);
    if (centred)
        layout->setAlignment(Qt::AlignCenter);
    // The style paints check box indicators and spin box fields with the Base role, so the
    // row shows its curve's colour there.
    cell->setAutoFillBackground(true);
    QPalette palette = cell->palette();
    palette.setBrush(QPalette::All, QPalette::Base, QBrush(tint));
    cell->setPalette(palette);
    return cell;
}

QDoubleSpinBox *makeSpinBox(double minimum, double maximum, double value)
{
    auto *spinBox = new QDoubleSpinBox;
    spinBox->setRange(minimum, maximum);
    spinBox->setValue(value);
    return spinBox;
}

QCheckBox *makeCheckBox(bool checked)
{
    auto *checkBox = new QCheckBox;
    checkBox->setChecked(checked);
    return checkBox;
}

// New samples are drawn at once when they move the curves on by this many pixel columns, or by
// one once a frame has shown the curves for this long: curves that move are drawn at 30 frames
// a second at least, and at the display's 60 once they move by several pixels a frame.
constexpr qint64 columnsPerFrame = 3;
constexpr qint64 slowFrameMs = 33;
// A line that does not move the curves by a pixel column waits at most this long for one that
// does; ticks of 16 ms put the newest line on screen within 100 ms.
constexpr qint64 samplesDelayMs = 64;

QwtPlotMarker *makeLineMarker(QwtPlotMarker::LineStyle style, QwtPlot *plot)
{
    auto *marker = new QwtPlotMarker;
    marker->setLineStyle(style);
    marker->setLinePen(Qt::black, 0.0, Qt::DashLine);
    marker->attach(plot);
    marker->setVisible(false);
    return marker;
}

// Whether x lies on the segment; NaNs never do.
bool within(double x0, double x, double x1)
{
    return x0 <= x && x <= x1;
}

} // namespace

void MainWindow::buildPlot()
{
    auto *layout = new QHBoxLayout(ui->plotWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    plot = new QwtPlot;
    plot->setCanvas(new PlotCanvas);
    plot->canvas()->setAttribute(Qt::WA_MouseTracking, true);
    plot->canvas()->installEventFilter(this);
    plot->setCanvasBackground(QBrush(QColor(230, 230, 230)));
    layout->addWidget(plot);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto *grid = new PlotGrid; // with the canvas background
    grid->enableX(true);
    grid->enableY(true);
    grid->setMajorPen(Qt::gray, 0.0, Qt::DotLine);
    grid->attach(plot);

    setupPlot();
}

void MainWindow::setupPlot()
{
    // In XY mode a new channel count waits for the switch back to the time series, which
    // rebuilds the plot anyway; the XY curve and its points stay as they are.
    if (ui->checkBox_enableXYGraph->isChecked())
        return;
    numChannels = channelCountSetting();
    setupChannelTable();

    qDeleteAll(curves);
    curves.clear();
    delete strip;
    yData.reset(numChannels, plotWidth);

    QList<ReducedCurve *> channelCurves;
    for (int i = 0; i < yData.channelCount(); ++i) {
        auto *curve = new ReducedCurve(QStringLiteral("Data ") + QString::number(i + 1));
        curve->setPen(channelColor(i), 0.0, Qt::SolidLine);
        curve->attach(plot);
        curves.append(curve);
        channelCurves.append(curve);
    }
    plot->setAutoReplot(false);
    for (int i = 0; i < curves.size(); ++i)
        curves[i]->setData(new ChannelSeries(&yData, i));
    strip = new StripChart(&yData);
    strip->setCurves(channelCurves);
    strip->attach(plot);

    replaceCrosshair();
    plot->replot();
}

int MainWindow::channelCountSetting() const
{
    return qMax(ui->comboBox_NumChannels->currentText().toInt(nullptr, 10), 0);
}

void MainWindow::replaceCrosshair()
{
    delete vLineMarker;
    delete hLineMarker;
    vLineMarker = makeLineMarker(QwtPlotMarker::VLine, plot);
    hLineMarker = makeLineMarker(QwtPlotMarker::HLine, plot);
}

void MainWindow::setupChannelTable()
{
    const int rows = channelCountSetting();
    QTableWidget *table = ui->tableWidget;
    table->setColumnCount(3);
    table->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const QColor tint = channelColor(r);
        QCheckBox *show = makeCheckBox(true);
        QCheckBox *gainOn = makeCheckBox(false);
        QDoubleSpinBox *gain = makeSpinBox(0.001, 1e9, 1);
        QCheckBox *offsetOn = makeCheckBox(false);
        QDoubleSpinBox *offset = makeSpinBox(-1e9, 1e9, 0);
        auto *label = new QLabel(QStringLiteral("Channel %1").arg(r + 1));
        table->setCellWidget(r, 0, makeCell(show, label, tint, true));
        table->setCellWidget(r, 1, makeCell(gainOn, gain, tint, false));
        table->setCellWidget(r, 2, makeCell(offsetOn, offset, tint, false));

        // The intake reads plain values that follow the cells, instead of searching the table
        // for every line. The store is rebuilt with the table, with the cells' initial values.
        const auto update = [this, r](auto field) {
            return [this, r, field](auto value) {
                if (r < yData.channelCount())
                    yData.settings(r).*field = value;
            };
        };
        connect(show, &QCheckBox::toggled, this, update(&ChannelSettings::shown));
        connect(gainOn, &QCheckBox::toggled, this, update(&ChannelSettings::gainOn));
        connect(gain, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                update(&ChannelSettings::gain));
        connect(offsetOn, &QCheckBox::toggled, this, update(&ChannelSettings::offsetOn));
        connect(offset, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                update(&ChannelSettings::offset));
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void MainWindow::scaleSpinBox_editingFinished()
{
    const int width = ui->SpinBox_XScale->value();
    plotWidth = width;
    lastIndex = width - 1;

    yData.resize(channelCountSetting(), width);

    plot->setAxisScale(QwtCompat::xBottom, 0.0, double(plotWidth), 0.0);
    plot->replot();
}

void MainWindow::adjustPlotScale()
{
    plot->setAxisScale(QwtCompat::xBottom, 0.0, double(plotWidth), 0.0);
    plot->replot();
}

void MainWindow::UpdateAxisScale()
{
    if (ui->checkBox_YAutoScale->isChecked()) {
        plot->setAxisAutoScale(QwtCompat::yLeft, true);
        ui->spinBox_Ymin->setEnabled(false);
        ui->spinBox_Ymax->setEnabled(false);
    } else {
        ui->spinBox_Ymin->setEnabled(true);
        ui->spinBox_Ymax->setEnabled(true);
        plot->setAxisAutoScale(QwtCompat::yLeft, false);
        plot->setAxisScale(QwtCompat::yLeft, double(ui->spinBox_Ymin->value()),
                           double(ui->spinBox_Ymax->value()), 0.0);
    }
    plot->replot();
}

void MainWindow::setXAxisScale(double xMin, double xMax)
{
    QwtLinearScaleEngine engine(10);
    const QwtScaleDiv division = engine.divideScale(xMin, xMax, 10, 5, 0.0);
    plot->setAxisScaleDiv(QwtCompat::xBottom, division);
    plot->replot();
}

void MainWindow::XAxis_scale_editingFinished()
{
    setXAxisScale(double(ui->spinBox_Xmin->value()), double(ui->spinBox_Xmax->value()));
    plot->replot();
}

void MainWindow::XYGraph_state_changed(int state)
{
    discardSerialInput();
    xyMode = state != 0;
    // A partial line kept from before the XY detour could only be joined to the wrong bytes:
    // what arrived meanwhile went to the XY buffer.
    if (!xyMode)
        dataBuffer.clear();
    rebuildPlot(xyMode);
    ui->SpinBox_XScale->setEnabled(!xyMode);
}

// A fresh plot for the mode, its X range, and the controls that belong to the mode.
void MainWindow::rebuildPlot(bool xy)
{
    if (xy) {
        setupXYPlot();
        XAxis_scale_editingFinished();
    } else {
        setupPlot();
        scaleSpinBox_editingFinished();
    }
    ui->tableWidget->setEnabled(!xy);
    ui->spinBox_Xmin->setEnabled(xy);
    ui->spinBox_Xmax->setEnabled(xy);
}

void MainWindow::setupXYPlot()
{
    qDeleteAll(curves);
    curves.clear();
    delete strip;
    strip = nullptr;
    xyData.clear();
    xyBuffer.clear();

    auto *curve = new ReducedCurve(QStringLiteral("Data ") + QString::number(1));
    curve->setPen(channelColor(0), 0.0, Qt::SolidLine);
    curve->setData(new PointSeries(&xyData));
    curve->attach(plot);
    curves.append(curve);

    plot->setAutoReplot(false);
    replaceCrosshair();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (!plot || watched != plot->canvas())
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint pixel = QwtCompat::mousePosition(static_cast<QMouseEvent *>(event));
        cursorX = QwtCompat::invTransform(plot, QwtCompat::xBottom, pixel.x());
        cursorY = QwtCompat::invTransform(plot, QwtCompat::yLeft, pixel.y());
        vLineMarker->setValue(cursorX, cursorY);
        vLineMarker->setVisible(true);
        hLineMarker->setValue(cursorX, cursorY);
        hLineMarker->setVisible(xyMode);
        markPlotDirty();
        return true;
    }
    case QEvent::Enter:
        vLineMarker->setVisible(true);
        if (xyMode)
            hLineMarker->setVisible(true);
        markPlotDirty();
        return true;
    case QEvent::Leave:
        vLineMarker->setVisible(false);
        if (xyMode)
            hLineMarker->setVisible(false);
        clearPointMarkers();
        markPlotDirty();
        return true;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void MainWindow::clearPointMarkers()
{
    qDeleteAll(pointMarkers);
    pointMarkers.clear();
}

// Rebuilt for every frame while the crosshair shows.
void MainWindow::updatePointMarkers()
{
    if (!vLineMarker->isVisible())
        return;
    clearPointMarkers();

    const bool xyGraph = ui->checkBox_enableXYGraph->isChecked();
    for (const QwtPlotCurve *curve : std::as_const(curves)) {
        // A hidden channel has no curve to mark.
        if (!curve->isVisible())
            continue;
        const size_t n = curve->dataSize();
        if (xyGraph) {
            // XY points lie in arrival order: the first segment that spans the cursor's x.
            for (size_t j = 0; j + 1 < n; ++j) {
                const QPointF p0 = curve->sample(j);
                const QPointF p1 = curve->sample(j + 1);
                if (within(p0.x(), cursorX, p1.x())) {
                    addPointMarker(curve, p0, p1);
                    break;
                }
            }
            continue;
        }
        // A sample's x is its position: the segment starts at the whole part of the cursor's
        // x, except that a whole x = k >= 1 lies in the segment ending at k, the first to hold
        // it. NaN fails the first test.
        if (!(cursorX >= 0.0))
            continue;
        double first = std::floor(cursorX);
        if (first == cursorX && first >= 1.0)
            first -= 1.0;
        if (first + 1.0 >= double(n))
            continue;
        const size_t j = size_t(first);
        const QPointF p0 = curve->sample(j);
        const QPointF p1 = curve->sample(j + 1);
        if (within(p0.x(), cursorX, p1.x()))
            addPointMarker(curve, p0, p1);
    }
    placePointLabels();
}

void MainWindow::addPointMarker(const QwtPlotCurve *curve, const QPointF &p0, const QPointF &p1)
{
    auto *marker = new QwtPlotMarker;
    const QPen pen = curve->pen();
    marker->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(pen.color()), pen, QSize(7, 6)));
    QString text;
    if (ui->checkBox_enableXYGraph->isChecked()) {
        marker->setValue(cursorX, cursorY);
        text = QStringLiteral("x: %1  y: %2").arg(cursorX, 0, 'f', 2).arg(cursorY, 0, 'f', 2);
    } else {
        const double y = (p1.y() - p0.y()) * (cursorX - p0.x()) / (p1.x() - p0.x()) + p0.y();
        marker->setValue(cursorX, y);
        text = QStringLiteral("%1").arg(y, 0, 'f', 2);
    }
    marker->attach(plot);
    marker->setLabel(QwtText(text));
    marker->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    marker->setLabelOrientation(Qt::Horizontal);
    pointMarkers.append(marker);
}

// Moves labels that would cover one another or leave the canvas.
void MainWindow::placePointLabels()
{
    if (pointMarkers.isEmpty())
        return;
    // Place them on the axes and canvas the coming replot draws with: new samples may have
    // rescaled an axis, and new tick labels may have resized the canvas.
    plot->updateAxes();
    QCoreApplication::sendPostedEvents(plot, QEvent::LayoutRequest);
    const QwtScaleMap xMap = plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = plot->canvasMap(QwtCompat::yLeft);
    // Qwt draws the labels in the canvas's font.
    const QFont font = plot->canvas()->font();
    QVector<QPointF> points;
    QVector<QSizeF> textSizes;
    for (const QwtPlotMarker *marker : std::as_const(pointMarkers)) {
        points << QPointF(xMap.transform(marker->xValue()), yMap.transform(marker->yValue()));
        textSizes << marker->label().textSize(font);
    }
    const LabelPlacer placer(pointMarkers.first()->symbol()->size(),
                             plot->canvas()->contentsRect());
    const QVector<LabelPlacement> placements = placer.place(points, textSizes);
    for (int i = 0; i < pointMarkers.size(); ++i) {
        pointMarkers[i]->setLabelAlignment(placements.at(i).alignment);
        pointMarkers[i]->setSpacing(placements.at(i).spacing);
    }
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

// New samples are drawn when they move the curves on (always in XY mode), and otherwise soon
// enough that the newest line is on screen within 100 ms: at width 10000, 100 lines a second move
// the curves by a column every 70 ms, and a frame for each line would show nothing new. Every
// frame repaints the whole canvas, whose pixels cost more than anything else in it.
bool MainWindow::samplesDue() const
{
    if (!strip)
        return true;
    const qint64 moved = strip->newColumns();
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
        plotDirty = false;
        samplesWaiting = false;
        drawFrame();
        return;
    }
    // Nothing new for a whole frame: stop ticking until the reader has something.
    if (!samplesWaiting && receivedNext == receivedChunks.size() &&
        linkReader.queue().sleepIfEmpty())
        frameTimer.stop();
}

void MainWindow::drawFrame()
{
    lastFrame.start();
    updatePointMarkers();
    // The axes follow the bounds of the curves shown: while those and the scales the last full
    // frame gave the axes stay, working the scales out again would change nothing, and only
    // the canvas is drawn.
    QVector<QRectF> bounds;
    for (const QwtPlotCurve *curve : std::as_const(curves))
        bounds << (curve->isVisible() ? curve->boundingRect() : QRectF());
    if (bounds == drawnBounds && plot->axisScaleDiv(QwtCompat::xBottom) == drawnXScale &&
        plot->axisScaleDiv(QwtCompat::yLeft) == drawnYScale) {
        static_cast<PlotCanvas *>(plot->canvas())->replot();
        return;
    }
    drawnBounds = bounds;
    plot->replot();
    drawnXScale = plot->axisScaleDiv(QwtCompat::xBottom);
    drawnYScale = plot->axisScaleDiv(QwtCompat::yLeft);
}
