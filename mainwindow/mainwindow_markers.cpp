// The crosshair over the canvas and the value markers where its line meets the curves.

#include "mainwindow/mainwindow.h"

#include "plotting/labelplacement.h"
#include "plotting/qwtcompat.h"
#include "ui_mainwindow.h"
#include "view/plotview.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

namespace {

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

void MainWindow::replaceCrosshair()
{
    delete vLineMarker;
    delete hLineMarker;
    vLineMarker = makeLineMarker(QwtPlotMarker::VLine, plot);
    hLineMarker = makeLineMarker(QwtPlotMarker::HLine, plot);
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
    const Timeline timeline = plotView->timeline();
    for (int c = 0; c < curves.size(); ++c) {
        const QwtPlotCurve *curve = curves.at(c);
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
                    addPointMarker(curve, 0);
                    break;
                }
            }
            continue;
        }
        // A sample's x is its position, in the window and, to the left of it, in the history.
        double y = 0;
        if (c < timeline.channelCount() && timeline.valueAt(c, cursorX, &y))
            addPointMarker(curve, y);
    }
    placePointLabels();
}

// At the cursor: in XY mode, labelled with the cursor's coordinates; otherwise with the curve's
// value there.
void MainWindow::addPointMarker(const QwtPlotCurve *curve, double value)
{
    auto *marker = new QwtPlotMarker;
    const QPen pen = curve->pen();
    marker->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(pen.color()), pen, QSize(7, 6)));
    QString text;
    if (ui->checkBox_enableXYGraph->isChecked()) {
        marker->setValue(cursorX, cursorY);
        text = QStringLiteral("x: %1  y: %2").arg(cursorX, 0, 'f', 2).arg(cursorY, 0, 'f', 2);
    } else {
        marker->setValue(cursorX, value);
        text = QStringLiteral("%1").arg(value, 0, 'f', 2);
    }
    marker->attach(plot);
    // Dark on the canvas's light grey whatever the desktop's palette would have the text in.
    QwtText label(text);
    label.setColor(Qt::black);
    marker->setLabel(label);
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
