// Received chunks: the monitor view, line assembly and parsing, and the intake into the stores.

#include "mainwindow/mainwindow.h"

#include "stream/lineparser.h"
#include "ui_mainwindow.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <qwt_plot_curve.h>

#include <utility>

namespace {

// Chunks are handled in slices of about this long, so that a backlog cannot keep the window
// from painting or from reacting to the user.
constexpr qint64 sliceNs = 8 * 1000 * 1000;

// The monitor keeps the newest 100,000 lines (the view's block limit) and 4,000,000 characters;
// a line keeps its newest 10,000 characters. Laying out a line costs time in proportion to its
// length, so text without line ends would otherwise slow down every chunk more than the last.
constexpr int monitorLineLength = 10000;
constexpr int monitorCharacters = 4000000;

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
    if (pendingMonitor.isEmpty())
        return;
    appendToMonitorView(pendingMonitor);
    pendingMonitor.clear();
    if (autoScroll) {
        QScrollBar *bar = ui->plainTextEdit->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

// Received text always goes at the end, whatever the user has clicked or selected in the view:
// the view's own cursor and selection stay where they are, so copying works while data flows.
void MainWindow::appendToMonitorView(const QString &text)
{
    QTextDocument *document = ui->plainTextEdit->document();
    QTextCursor end(document);
    end.beginEditBlock(); // laid out once, after the trimming
    end.movePosition(QTextCursor::End);
    const int firstBlock = end.blockNumber();
    end.insertText(text);

    for (QTextBlock block = document->findBlockByNumber(firstBlock); block.isValid();
         block = block.next()) {
        const int excess = block.length() - 1 - monitorLineLength;
        if (excess > 0) {
            QTextCursor head(block);
            head.setPosition(block.position() + excess, QTextCursor::KeepAnchor);
            head.removeSelectedText();
        }
    }
    const int excess = document->characterCount() - monitorCharacters;
    if (excess > 0) {
        // Whole lines go, from the oldest on.
        const QTextBlock last = document->findBlock(excess);
        QTextCursor head(document);
        head.setPosition(last.next().isValid() ? last.next().position()
                                               : last.position() + last.length() - 1,
                         QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    end.endEditBlock();
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
    const int overflow = yData.append(values.constData(), int(values.size()));
    if (overflow >= 0) {
        showStatus(LineParser::badChannelMessage(overflow));
        return;
    }
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
