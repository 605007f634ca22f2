#include "record/plotimage.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QSvgGenerator>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

QByteArray plotImage(QwtPlot *plot, const QString &format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSize size = plot->size();
    const QRectF area(QPointF(0, 0), QSizeF(size));
    // At the screen's resolution, text in points comes out at the size it has there.
    const int dpi = plot->logicalDpiX();
    QwtPlotRenderer renderer;
    if (format == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(QStringLiteral("Corvale"));
        svg.setResolution(dpi);
        QPainter painter(&svg);
        renderer.render(plot, &painter, area);
    } else if (format == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(dpi);
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / dpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Corvale"));
        QPainter painter(&pdf);
        renderer.render(plot, &painter, area);
    } else {
        // As on screen, pixel for pixel.
        plot->grab().toImage().save(&buffer, "PNG");
    }
    return bytes;
}
