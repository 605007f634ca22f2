// Received chunks: the monitor view, line assembly and parsing, and the intake into the stores.

#include "mainwindow/mainwindow.h"

#include "plotting/storeseries.h"
#include "stream/lineparser.h"
#include "ui_mainwindow.h"

#include <QElapsedTimer>
#include <QScrollBar>

#include <qwt_plot_curve.h>

#include <utility>

namespace {

// Chunks are handled in slices of about this long, so that a backlog cannot keep the window
// from painting or from reacting to the user.
constexpr qint64 sliceNs = 8 * 1000 * 1000;

} // namespace

void MainWindow::takeReceived()
{
    if (!frameTimer.isActive())
        frameTimer.start();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (receivedNext == receivedChunks.size()) {
            receivedChunks.clear();
            receivedNext = 0;
            linkReader.queue().takeAll(&receivedChunks);
            linkReader.resumeSerial();
            if (receivedChunks.isEmpty())
                break;
        }
        // Released as soon as it is handled; a backlog may hold many.
        const QByteArray chunk = std::exchange(receivedChunks[receivedNext++], QByteArray());
        handleChunk(chunk);
        if (clock.nsecsElapsed() > sliceNs)
            break;
    }
    if (const qint64 dropped = linkReader.queue().takeDroppedBytes())
        showStatus(QStringLiteral("Error: data arrived faster than it could be shown; "
                                  "%1 bytes dropped")
                       .arg(dropped));
    finishBatch();
}

void MainWindow::handleChunk(const QByteArray &chunk)
{
    if (ui->tabWidget_MonitorViews->currentIndex() != 0) {
        appendToMonitor(chunk);
        return;
    }
    const bool xy = ui->checkBox_enableXYGraph->isChecked();
    LineBuffer &buffer = xy ? xyBuffer : dataBuffer;
    buffer.append(chunk);
    const char *line = nullptr;
    int size = 0;
    for (;;) {
        const LineBuffer::Next next = buffer.takeLine(&line, &size);
        if (next == LineBuffer::Next::None)
            return;
        if (next == LineBuffer::Next::Overlong)
            showStatus(LineParser::overlongLineMessage());
        else if (xy)
            takeXYLine(line, size);
        else
            takeSeriesLine(line, size);
    }
}

// The monitor text of a batch of chunks goes in with one insert.
void MainWindow::finishBatch()
{
    if (!pendingMonitor.isEmpty()) {
        ui->plainTextEdit->insertPlainText(pendingMonitor);
        pendingMonitor.clear();
        if (autoScroll) {
            QScrollBar *bar = ui->plainTextEdit->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
    }
}

void MainWindow::takeSeriesLine(const char *line, int size)
{
    const LineParser::SeriesResult result =
        LineParser::parseSeries(line, size, numChannels, &lineValues);
    if (result.status == LineParser::SeriesResult::BadField)
        showStatus(LineParser::badChannelMessage(result.badField));
    else if (result.status == LineParser::SeriesResult::Ok)
        addSeriesSample(lineValues);
}

void MainWindow::takeXYLine(const char *line, int size)
{
    double x = 0;
    double y = 0;
    const LineParser::XYResult result = LineParser::parseXY(line, size, &x, &y);
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
    yData.append(values.constData(), int(values.size()));
    // The show boxes take effect with the next line; every channel is stored all the same.
    const int channels = qMin(qMin(int(values.size()), yData.channelCount()), int(curves.size()));
    for (int k = 0; k < channels; ++k)
        curves[k]->setVisible(yData.settings(k).shown);
    markPlotDirty();
}

void MainWindow::addXYPoint(double x, double y)
{
    xyData.append(x, y);
    markPlotDirty();
}

void MainWindow::appendToMonitor(const QByteArray &chunk)
{
    pendingMonitor += monitorDecoder.decode(chunk);
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
