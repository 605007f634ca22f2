#include "resources/resources.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QThread>
#include <QThreadPool>

#include <deque>
#include <future>
#include <memory>
#include <mutex>

void initCorvaleResources()
{
    Q_INIT_RESOURCE(corvale);
}

namespace {

struct ScaleJob
{
    QImage image;
    QSize size;
    Qt::AspectRatioMode mode;
    std::promise<QImage> scaled;
};

// Jobs go to the pool through a queue of our own: the pool's hand-over is inside Qt, where a
// thread checker cannot see it, so the task itself carries nothing.
std::mutex scaleJobsLock;
std::deque<std::shared_ptr<ScaleJob>> scaleJobs;

void scaleOneJob()
{
    std::shared_ptr<ScaleJob> job;
    {
        const std::lock_guard<std::mutex> lock(scaleJobsLock);
        job = scaleJobs.front();
        scaleJobs.pop_front();
    }
    job->scaled.set_value(job->image.scaled(job->size, job->mode, Qt::SmoothTransformation));
}

} // namespace

QImage smoothlyScaled(const QImage &image, const QSize &size, Qt::AspectRatioMode mode)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread()))
        return image.scaled(size, mode, Qt::SmoothTransformation);
    // Shared, so that the job outlives whichever side lets go of it last.
    auto job = std::make_shared<ScaleJob>(ScaleJob{image, size, mode, {}});
    std::future<QImage> result = job->scaled.get_future();
    {
        const std::lock_guard<std::mutex> lock(scaleJobsLock);
        scaleJobs.push_back(job);
    }
    pool->start(scaleOneJob);
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
