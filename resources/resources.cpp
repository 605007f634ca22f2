#include "resources/resources.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

void initCorvaleResources()
{
    Q_INIT_RESOURCE(corvale);
}

QPixmap scaledPixmap(const QString &path, const QSize &size, qreal ratio)
{
    // Scaled the way a label scales its pixmap: premultiplied, so that transparent edges keep
    // their colour. (QImageReader::setScaledSize would skip the full-size image, but averages
    // unpremultiplied pixels and darkens the edges.)
    QImage image(path);
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    QPixmap pixmap = QPixmap::fromImage(image.scaled(
        (size * ratio).boundedTo(image.size()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon windowIconFrom(const QString &path)
{
    return QIcon(scaledPixmap(path, QSize(256, 256), 1));
}
