// Received chunks: the monitor view, line assembly and parsing, and the intake into the plot.

#include "mainwindow/mainwindow.h"

#include "plotting/pointlistseries.h"
#include "stream/lineparser.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QScrollBar>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <algorithm>

namespace {

// The check box and, for gain and offset, the spin box of a channel table cell.
struct Cell
{
    QCheckBox *checkBox = nullptr;
    QDoubleSpinBox *spinBox = nullptr;
};

Cell channelCell(QTableWidget *table, int row, int column)
{
    Cell cell;
    if (QWidget *widget = table->cellWidget(row, column)) {
        cell.checkBox = widget->findChild<QCheckBox *>();
        cell.spinBox = widget->findChild<QDoubleSpinBox *>();
    }
    return cell;
}

double effectiveValue(const Cell &cell, double unset)
{
    if (cell.checkBox && cell.spinBox && cell.checkBox->isChecked())
        return cell.spinBox->value();
    return unset;
}

} // namespace

void MainWindow::handleChunk(const QByteArray &chunk)
{
    if (ui->tabWidget_MonitorViews->currentIndex() != 0) {
        appendToMonitor(chunk);
        return;
    }
    LineBuffer &buffer = ui->checkBox_enableXYGraph->isChecked() ? xyBuffer : dataBuffer;
    const bool xy = &buffer == &xyBuffer;
    buffer.append(chunk);
    QByteArray line;
    for (;;) {
        const LineBuffer::Next next = buffer.takeLine(&line);
        if (next == LineBuffer::Next::None)
            return;
        if (next == LineBuffer::Next::Overlong)
            showStatus(LineParser::overlongLineMessage());
        else if (xy)
            takeXYLine(line);
        else
            takeSeriesLine(line);
    }
}

void MainWindow::takeSeriesLine(const QByteArray &line)
{
    const LineParser::SeriesResult result = LineParser::parseSeries(line, numChannels, &lineValues);
    if (result.status == LineParser::SeriesResult::BadField)
        showStatus(LineParser::badChannelMessage(result.badField));
    else if (result.status == LineParser::SeriesResult::Ok)
        addSeriesSample(lineValues);
}

void MainWindow::takeXYLine(const QByteArray &line)
{
    double x = 0;
    double y = 0;
    const LineParser::XYResult result = LineParser::parseXY(line, &x, &y);
    // A short line is dropped like any other bad line. Flushing the port here as well would
    // throw away the good lines the device sent after it.
    if (result.status == LineParser::XYResult::TooFewFields)
        showStatus(LineParser::tooFewXYFieldsMessage(result.fieldCount));
    else if (result.status == LineParser::XYResult::BadNumber)
        showStatus(LineParser::badXYNumberMessage());
    else
        addXYPoint(x, y);
}

void MainWindow::addSeriesSample(const QVector<double> &values)
{
    const int channels = qMin(int(values.size()), int(yData.size()));
    // With a plot width of 0 there is no place for a sample.
    if (lastIndex >= 0) {
        for (int k = 0; k < channels; ++k) {
            double *samples = yData[k].data();
            std::copy(samples + 1, samples + lastIndex + 1, samples);
        }
        for (int k = 0; k < channels; ++k) {
            const double gain = effectiveValue(channelCell(ui->tableWidget, k, 1), 1.0);
            const double offset = effectiveValue(channelCell(ui->tableWidget, k, 2), 0.0);
            yData[k][lastIndex] = values[k] * gain + offset;
        }
    }
    for (int k = 0; k < channels && k < curves.size(); ++k) {
        const Cell show = channelCell(ui->tableWidget, k, 0);
        if (show.checkBox && show.checkBox->isChecked()) {
            curves[k]->setSamples(xData.constData(), yData[k].constData(), int(xData.size()));
            curves[k]->setVisible(true);
        } else {
            curves[k]->setVisible(false);
        }
    }
    updatePointMarkers();
    plot->replot();
}

void MainWindow::addXYPoint(double x, double y)
{
    if (curves.isEmpty())
        return;
    PointListSeries *series = xySeries();
    // Older points go first, so that a long session cannot use up the memory.
    constexpr int maxPoints = 100000;
    if (xyXData.size() >= maxPoints) {
        const int excess = int(xyXData.size()) - maxPoints + 1;
        series->aboutToRemoveFront(excess);
        xyXData.remove(0, excess);
        xyYData.remove(0, excess);
    }
    xyXData.append(x);
    xyYData.append(y);
    curves[0]->itemChanged();
    updatePointMarkers();
    plot->replot();
}

PointListSeries *MainWindow::xySeries()
{
    // After a change of the channel count in XY mode, the points go on in the first curve.
    QwtPlotCurve *curve = curves[0];
    auto *series = dynamic_cast<PointListSeries *>(curve->data());
    if (!series) {
        series = new PointListSeries(&xyXData, &xyYData);
        curve->setData(series);
    }
    return series;
}

void MainWindow::appendToMonitor(const QByteArray &chunk)
{
    ui->plainTextEdit->insertPlainText(monitorDecoder.decode(chunk));
    if (autoScroll) {
        QScrollBar *bar = ui->plainTextEdit->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void MainWindow::onScrollBarChanged(int value)
{
    autoScroll = value == ui->plainTextEdit->verticalScrollBar()->maximum();
}

void MainWindow::MonitorView_changed()
{
    ui->plainTextEdit->clear();
    dataBuffer.clear();
    discardSerialInput();
    pbClear_all_clicked();
}

void MainWindow::pbClear_all_clicked()
{
    ui->plainTextEdit->clear();
    monitorDecoder.reset();
    rebuildPlot(ui->checkBox_enableXYGraph->isChecked());
}
