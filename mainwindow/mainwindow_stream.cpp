// Received chunks: the monitor view, line assembly and parsing, and the intake into the stores.

#include "mainwindow/mainwindow.h"

#include "record/recordcontrols.h"
#include "stream/lineparser.h"
#include "trigger/triggercontrols.h"
#include "ui_mainwindow.h"
#include "view/plotview.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>

#include <qwt_plot_curve.h>

#include <utility>

qint64 (*MainWindow::rateClockMs)() = [] {
    return ChunkQueue::now() / 1000000;
};

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
            receivedTimes.clear();
            receivedNext = 0;
            linkReader.queue().takeAll(&receivedChunks, &receivedTimes);
            linkReader.resumeSerial();
            if (receivedChunks.isEmpty())
                break;
        }
        // Released as soon as it is handled; a backlog may hold many.
        const qint64 arrivedAt = receivedTimes.value(receivedNext);
        const QByteArray chunk = std::exchange(receivedChunks[receivedNext++], QByteArray());
        handleChunk(chunk, arrivedAt);
        if (clock.nsecsElapsed() > sliceNs || monitorLog.isFlushFull())
            break;
    }
    if (const qint64 dropped = linkReader.queue().takeDroppedBytes())
        showStatus(QStringLiteral("Error: data arrived faster than it could be shown; "
                                  "%1 bytes dropped")
                       .arg(dropped));
    finishBatch();
}

// What the link that closed (or was replaced) delivered but the window has not shown yet: its
// chunks, its unfinished lines and the monitor's held bytes. The next link starts clean.
void MainWindow::dropLinkData()
{
    receivedChunks.clear();
    receivedTimes.clear();
    receivedNext = 0;
    dataBuffer.clear();
    xyBuffer.clear();
    monitorLog.reset();
}

void MainWindow::handleChunk(const QByteArray &chunk, qint64 arrivedAt)
{
    chunkArrivedAt = arrivedAt;
    recordControls->takeBytes(chunk);
    if (ui->tabWidget_MonitorViews->currentIndex() != 0) {
        bytesReceived += quint64(chunk.size());
        monitorLog.receive(chunk);
    } else if (ui->checkBox_enableXYGraph->isChecked())
        xyBuffer.feed(chunk, numChannels, this);
    else
        dataBuffer.feed(chunk, numChannels, this);
}

// The monitor text of a batch of chunks goes in with one insert.
void MainWindow::finishBatch()
{
    if (monitorLog.flush() && autoScroll) {
        QScrollBar *bar = ui->plainTextEdit->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

// Counting starts again, and while a link is open the label shows it at once.
void MainWindow::restartRate()
{
    linesTaken = linesDropped = bytesReceived = countAtLastRate = 0;
    dataBuffer.takeSkippedLines();
    xyBuffer.takeSkippedLines();
    rateSince = rateClockMs();
    if (openLink == Link::None) {
        rateTimer.stop();
        rateLabel->clear();
        return;
    }
    rateTimer.start();
    updateRate();
}

void MainWindow::updateRate()
{
    linesDropped += dataBuffer.takeSkippedLines() + xyBuffer.takeSkippedLines();
    const bool monitor = ui->tabWidget_MonitorViews->currentIndex() != 0;
    const quint64 count = monitor ? bytesReceived : linesTaken;
    const qint64 now = rateClockMs();
    const qint64 elapsedMs = now - std::exchange(rateSince, now);
    const qint64 perSecond =
        elapsedMs > 0 ? qRound64(double(count - countAtLastRate) * 1000.0 / double(elapsedMs)) : 0;
    countAtLastRate = count;

    const QLocale locale;
    QString text = locale.toString(perSecond);
    if (plotView->isFrozen())
        text = QStringLiteral("Frozen \u00b7 ") + text;
    if (monitor) {
        text += QStringLiteral(" bytes/s");
    } else {
        text += xyMode ? QStringLiteral(" points/s") : QStringLiteral(" lines/s");
        if (linesDropped > 0)
            text += QStringLiteral(" \u00b7 ") + locale.toString(linesDropped) +
                    QStringLiteral(" dropped");
    }
    if (rateLabel->text() != text)
        rateLabel->setText(text);
}

void MainWindow::badLine(const QString &message)
{
    ++linesDropped;
    showStatus(message);
}

void MainWindow::seriesLine(const QVector<double> &values)
{
    const int overflow = yData.append(values.constData(), int(values.size()));
    if (overflow >= 0) {
        badLine(LineParser::badChannelMessage(overflow));
        return;
    }
    ++linesTaken;
    recordControls->takeLine(chunkArrivedAt, yData.lastLine(), yData.channelCount());
    // At width 0 there is nothing to draw, nor to look back at.
    if (yData.width() == 0)
        return;
    history.append(yData.lastLine(), chunkArrivedAt);
    triggerControls->takeLine(history.end() - 1, yData.lastLine(), yData.channelCount(),
                              chunkArrivedAt);
    // A frozen plot (or a trigger's sweep) shows what it showed, the show boxes included, until
    // it goes on.
    if (!plotView->isLive())
        return;
    // The show boxes take effect with the next line; every channel is stored all the same.
    const int channels = qMin(qMin(int(values.size()), yData.channelCount()), int(curves.size()));
    for (int k = 0; k < channels; ++k)
        curves[k]->setVisible(yData.settings(k).shown);
    markSamplesWaiting();
}

void MainWindow::xyPoint(double x, double y)
{
    xyData.append(x, y);
    ++linesTaken;
    const double point[] = {x, y};
    recordControls->takeLine(chunkArrivedAt, point, 2);
    if (!plotView->isFrozen())
        markSamplesWaiting();
}

void MainWindow::onScrollBarChanged(int value)
{
    autoScroll = value == ui->plainTextEdit->verticalScrollBar()->maximum();
}

void MainWindow::MonitorView_changed()
{
    const bool plotShown = ui->tabWidget_MonitorViews->currentIndex() == 0;
    plotView->setPlotShown(plotShown);
    recordControls->setPlotShown(plotShown);
    triggerControls->setPlotShown(plotShown);
    ui->plainTextEdit->clear();
    dataBuffer.clear();
    discardSerialInput();
    pbClear_all_clicked();
}

void MainWindow::pbClear_all_clicked()
{
    ui->plainTextEdit->clear();
    monitorLog.reset();
    restartRate();
    rebuildPlot(ui->checkBox_enableXYGraph->isChecked());
}
