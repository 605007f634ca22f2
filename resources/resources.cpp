#include "resources/resources.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QThread>
#include <QThreadPool>

#include <future>
#include <memory>

void initCorvaleResources()
{
    Q_INIT_RESOURCE(corvale);
}

QImage smoothlyScaled(const QImage &image, const QSize &size, Qt::AspectRatioMode mode)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread()))
        return image.scaled(size, mode, Qt::SmoothTransformation);
    // The promise's state outlives whoever gets to it last, unlike a semaphore on a stack.
    auto scaled = std::make_shared<std::promise<QImage>>();
    std::future<QImage> result = scaled->get_future();
    pool->start([image, size, mode, scaled] {
        scaled->set_value(image.scaled(size, mode, Qt::SmoothTransformation));
    });
    return result.get();
}

QPixmap scaledPixmap(const QString &path, const QSize &size, qreal ratio)
{
    // Scaled the way a label scales its pixmap: premultiplied, so that transparent edges keep
    // their colour. (QImageReader::setScaledSize would skip the full-size image, but averages
    // unpremultiplied pixels and darkens the edges.)
    QImage image(path);
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    QPixmap pixmap = QPixmap::fromImage(
        smoothlyScaled(image, (size * ratio).boundedTo(image.size()), Qt::IgnoreAspectRatio));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon windowIconFrom(const QString &path)
{
    return QIcon(scaledPixmap(path, QSize(256, 256), 1));
}

namespace {

// Whether the icon draws at least one pixel: an icon engine that cannot read its SVG may still
// say that it holds an image.
bool drawsSomething(const QIcon &icon)
{
    if (icon.isNull())
        return false;
    const QImage image = icon.pixmap(QSize(16, 16)).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

QIcon svgIcon(const QString &path)
{
    const QIcon svg(path + QStringLiteral(".svg"));
    if (drawsSomething(svg))
        return svg;
    QIcon png;
    for (int size : {16, 32, 64})
        png.addFile(QStringLiteral("%1_%2.png").arg(path).arg(size), QSize(size, size));
    return png;
}
