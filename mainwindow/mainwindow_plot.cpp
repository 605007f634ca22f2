// Plot, channel table, axis ranges and XY mode.

#include "mainwindow/mainwindow.h"

#include "access/formnames.h"
#include "plotting/channelcolors.h"
#include "plotting/plotcanvas.h"
#include "plotting/plotgrid.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "plotting/storeseries.h"
#include "plotting/stripchart.h"
#include "plotting/xytrail.h"
#include "record/recordcontrols.h"
#include "trigger/triggercontrols.h"
#include "ui_mainwindow.h"
#include "view/plotview.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>

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
    if (plotView)
        plotView->endAll();
    numChannels = channelCountSetting();
    setupChannelTable();

    qDeleteAll(curves);
    curves.clear();
    delete strip;
    delete xyTrail;
    xyTrail = nullptr;
    yData.reset(numChannels, plotWidth);
    history.reset(numChannels);

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
    if (plotView) {
        plotView->showSeries(&yData, &history, channelCurves, strip);
        triggerControls->showSeries(&yData);
        recordControls->setColumns(recordColumns());
    }

    replaceCrosshair();
    plot->replot();
    if (plotView)
        describeCanvas(plot->canvas(), plotDescription(), plotView->readoutSpeech());
}

int MainWindow::channelCountSetting() const
{
    return qMax(ui->comboBox_NumChannels->currentText().toInt(nullptr, 10), 0);
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
        // A screen reader ties every cell to its channel.
        const QString channel = tr("Channel %1").arg(r + 1);
        show->setAccessibleName(tr("Show channel %1").arg(r + 1));
        gainOn->setAccessibleName(channel + tr(" gain on"));
        gain->setAccessibleName(channel + tr(" gain"));
        offsetOn->setAccessibleName(channel + tr(" offset on"));
        offset->setAccessibleName(channel + tr(" offset"));
        table->setCellWidget(r, 0, makeCell(show, label, tint, true));
        table->setCellWidget(r, 1, makeCell(gainOn, gain, tint, false));
        table->setCellWidget(r, 2, makeCell(offsetOn, offset, tint, false));
        // The cells themselves are what a reader walks in the table: each says its channel.
        const QString cellNames[] = {channel, gain->accessibleName(), offset->accessibleName()};
        for (int c = 0; c < 3; ++c)
            table->model()->setData(table->model()->index(r, c), cellNames[c],
                                    Qt::AccessibleTextRole);

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
    // Another width is a new plot, whose past is not the history's; the same one only sets the
    // axis again (leaving the field finishes an edit too).
    if (width != plotWidth) {
        plotView->endAll();
        history.reset(channelCountSetting());
    } else if (plotView->zoomedFrom(QwtCompat::xBottom, false, 0.0, double(plotWidth))) {
        return;
    } else {
        plotView->endZoom();
    }
    plotWidth = width;
    lastIndex = width - 1;

    yData.resize(channelCountSetting(), width);

    plot->setAxisScale(QwtCompat::xBottom, 0.0, double(plotWidth), 0.0);
    plot->replot();
}

void MainWindow::adjustPlotScale()
{
    plotView->endZoom();
    plot->setAxisScale(QwtCompat::xBottom, 0.0, double(plotWidth), 0.0);
    plot->replot();
}

void MainWindow::UpdateAxisScale()
{
    const bool autoScale = ui->checkBox_YAutoScale->isChecked();
    if (plotView->zoomedFrom(QwtCompat::yLeft, autoScale, double(ui->spinBox_Ymin->value()),
                             double(ui->spinBox_Ymax->value())))
        return;
    plotView->endZoom();
    if (autoScale) {
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
    if (plotView->zoomedFrom(QwtCompat::xBottom, false, double(ui->spinBox_Xmin->value()),
                             double(ui->spinBox_Xmax->value())))
        return;
    plotView->endZoom();
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
    plotView->endAll();
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
    delete xyTrail;
    xyTrail = new XYTrail(&xyData);
    xyTrail->setCurve(curve);
    xyTrail->attach(plot);
    plotView->showPoints(&xyData);
    triggerControls->showSeries(nullptr);
    recordControls->setColumns(recordColumns());

    plot->setAutoReplot(false);
    replaceCrosshair();
    describeCanvas(plot->canvas(), plotDescription(), plotView->readoutSpeech());
}
