#ifndef CORVALE_RESOURCES_H
#define CORVALE_RESOURCES_H

#include <QtGlobal>

#include <Qt>

class QIcon;
class QImage;
class QPixmap;
class QSize;
class QString;

// The image collection is compiled into a static library; referencing it here keeps the linker
// from dropping it. Safe to call more than once.
void initCorvaleResources();

// Smooth scaling of a large image, on one thread. Qt splits it over its global thread pool and
// may return while a worker still releases the semaphore it waits on, on the caller's stack,
// which it then corrupts (seen as "stack smashing detected" now and then). Scaled on a thread of
// that pool, the work is not split.
QImage smoothlyScaled(const QImage &image, const QSize &size, Qt::AspectRatioMode mode);

// An embedded image scaled to `size` device-independent pixels at `ratio` device pixels each,
// stretched the way a label with scaled contents stretches it, so such a label draws it as it is.
// Only the scaled copy is kept: big artwork shown small costs what is shown. Never larger than
// the image itself.
QPixmap scaledPixmap(const QString &path, const QSize &size, qreal ratio);

// A window icon from an embedded square image, kept at no more than 256 x 256 pixels, the size
// the desktop entry's own icon is installed at. An icon made straight from a 1024 x 1024 image
// holds all of it decoded (4 MiB per icon), and X11 copies all of it to the window manager.
QIcon windowIconFrom(const QString &path);

// The icon of an embedded SVG image, `path` without its ".svg". Where Qt cannot draw it (its SVG
// plugins are a package of their own on Debian 13, and may be missing), the PNGs that
// tools/make-images rendered of it stand in (`path`_16.png, _32.png, _64.png): never a blank.
QIcon svgIcon(const QString &path);

#endif
