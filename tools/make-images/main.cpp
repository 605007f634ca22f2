// Draws Corvale's artwork: the splash card (also at 2x), the application icon (PNG, ICO, a 256 px
// PNG and an SVG for desktop menus) and the Quellmark logo, and renders the two hand-written SVG
// icons found in the folder to PNGs, which the program shows where Qt cannot draw SVG.
// Usage: make-images <output-folder>
//
// Everything is drawn from code so the images can be regenerated or tweaked without an
// image editor. Text uses DejaVu Sans only (Debian/Ubuntu: fonts-dejavu-core).

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QSvgRenderer>
#include <QtMath>
#include <QTransform>

#include <cstdio>
#include <functional>

namespace {

const QString kFamily = QStringLiteral("DejaVu Sans");

// Channel colours of the plot, in channel order.
const QColor kChannel[] = {QColor(0x00, 0x55, 0xff), QColor(0xff, 0x55, 0x00),
                           QColor(0x00, 0xaa, 0x55), QColor(0xff, 0x00, 0xaa),
                           QColor(0xff, 0xaa, 0x00), QColor(0xaa, 0x00, 0xff)};
const QColor kCanvas(230, 230, 230);
const QColor kInk(0x1b, 0x24, 0x33);

QFont makeFont(qreal pixelSize, int weight)
{
    QFont f(kFamily);
    f.setPixelSize(qRound(pixelSize));
    f.setWeight(static_cast<QFont::Weight>(weight));
    // Unhinted outlines keep letter spacing identical at every size.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QImage blankImage(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Samples y = f(u) for u in [0, 1] across rect, with f() in [-1, 1] mapped to the rect height.
QPainterPath curvePath(const QRectF &rect, const std::function<qreal(qreal)> &f, int steps = 240)
{
    QPainterPath path;
    for (int i = 0; i <= steps; ++i) {
        const qreal u = qreal(i) / steps;
        const QPointF pt(rect.left() + u * rect.width(),
                         rect.center().y() - f(u) * rect.height() / 2.0);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    return path;
}

QPen roundPen(const QColor &c, qreal width)
{
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Icon geometry on a 1024 x 1024 canvas, shared by the raster and the SVG icon.
const QRectF kIconTile(72, 72, 880, 880);
const qreal kIconTileRadius = 196;
const QRectF kIconTraceBox(200, 220, 624, 584);
const QColor kIconTop(0x26, 0x35, 0x52);
const QColor kIconBottom(0x0f, 0x16, 0x25);
const QColor kIconGrid(255, 255, 255, 20);
const QColor kIconSecond(0xff, 0x6a, 0x1a);
const QColor kIconTrace(0x3d, 0x8b, 0xff);
const QColor kIconTraceCore(0xd6, 0xe6, 0xff);
const QColor kIconRim(255, 255, 255, 40);

// A second channel under the main one hints that several signals are plotted together.
qreal iconSecondWave(qreal u)
{
    return 0.13 * qSin(2 * M_PI * (1.5 * u + 0.5)) - 0.80;
}

// Main trace: an underdamped step response, the classic scope picture.
qreal iconStepResponse(qreal u)
{
    const qreal t0 = 0.16;
    if (u < t0)
        return -0.48;
    const qreal t = (u - t0) / (1 - t0);
    return -0.48 + 0.98 * (1 - qExp(-3.4 * t) * qCos(2 * M_PI * 2.0 * t));
}

// Application icon drawn into an arbitrary square, so the splash can reuse it.
void drawIcon(QPainter &p, const QRectF &box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 1024.0, box.height() / 1024.0);

    const QRectF tile = kIconTile;
    QPainterPath shape;
    shape.addRoundedRect(tile, kIconTileRadius, kIconTileRadius);

    QLinearGradient bg(tile.topLeft(), tile.bottomLeft());
    bg.setColorAt(0.0, kIconTop);
    bg.setColorAt(1.0, kIconBottom);
    p.fillPath(shape, bg);
    p.setClipPath(shape);

    // Faint graticule, like the plot canvas: 8 x 8 cells across the whole tile.
    p.setPen(QPen(kIconGrid, 5));
    for (int i = 1; i < 8; ++i) {
        const qreal x = tile.left() + i * tile.width() / 8.0;
        const qreal y = tile.top() + i * tile.height() / 8.0;
        p.drawLine(QPointF(x, tile.top()), QPointF(x, tile.bottom()));
        p.drawLine(QPointF(tile.left(), y), QPointF(tile.right(), y));
    }

    p.setPen(roundPen(kIconSecond, 30));
    p.drawPath(curvePath(kIconTraceBox, iconSecondWave));

    const QPainterPath main = curvePath(kIconTraceBox, iconStepResponse, 600);
    // Soft glow built from a few translucent passes, widest first.
    QColor glow = kIconTrace;
    glow.setAlpha(16);
    for (int i = 0; i < 4; ++i) {
        p.setPen(roundPen(glow, 130 - 18 * i));
        p.drawPath(main);
    }
    p.setPen(roundPen(kIconTrace, 46));
    p.drawPath(main);
    p.setPen(roundPen(kIconTraceCore, 14));
    p.drawPath(main);

    p.setClipping(false);
    // Thin highlight on the rim lifts the tile off dark backgrounds.
    p.setPen(QPen(kIconRim, 6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(3, 3, -3, -3), kIconTileRadius - 3, kIconTileRadius - 3);
    p.restore();
}

QString svgPathData(const QPainterPath &path)
{
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        d += QStringLiteral("%1%2 %3 ")
                 .arg(e.isMoveTo() ? QLatin1Char('M') : QLatin1Char('L'))
                 .arg(e.x, 0, 'f', 1)
                 .arg(e.y, 0, 'f', 1);
    }
    return d.trimmed();
}

QString svgColor(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

QString svgOpacity(const QColor &c)
{
    return QString::number(c.alphaF(), 'f', 3);
}

QString svgStroke(const QPainterPath &path, const QColor &c, qreal width)
{
    return QStringLiteral("  <path d=\"%1\" fill=\"none\" stroke=\"%2\" stroke-opacity=\"%3\" "
                          "stroke-width=\"%4\" stroke-linecap=\"round\" "
                          "stroke-linejoin=\"round\"/>\n")
        .arg(svgPathData(path), svgColor(c), svgOpacity(c))
        .arg(width);
}

// The same icon as drawIcon() as an SVG document for desktop menus. Only plain paths, rects
// and a linear gradient are used, so every SVG renderer (Qt's included) draws it alike; the
// graticule is cut to the rounded tile here instead of through a clip path.
QString makeIconSvg()
{
    const QRectF tile = kIconTile;
    const qreal r = kIconTileRadius;
    QPainterPath grid;
    for (int i = 1; i < 8; ++i) {
        const qreal at = tile.left() + i * tile.width() / 8.0;
        // Distance into a rounded corner shortens the line by the corner's arc.
        const qreal intoCorner = qMax(qMax(tile.left() + r - at, at - (tile.right() - r)), 0.0);
        const qreal cut = r - qSqrt(r * r - intoCorner * intoCorner);
        grid.moveTo(at, tile.top() + cut);
        grid.lineTo(at, tile.bottom() - cut);
        grid.moveTo(tile.left() + cut, at);
        grid.lineTo(tile.right() - cut, at);
    }

    const QPainterPath main = curvePath(kIconTraceBox, iconStepResponse, 300);
    QColor glow = kIconTrace;
    glow.setAlpha(16);

    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1024\" "
                          "height=\"1024\" viewBox=\"0 0 1024 1024\">\n"
                          "  <defs>\n"
                          "    <linearGradient id=\"tile\" x1=\"0\" y1=\"%1\" x2=\"0\" "
                          "y2=\"%2\" gradientUnits=\"userSpaceOnUse\">\n"
                          "      <stop offset=\"0\" stop-color=\"%3\"/>\n"
                          "      <stop offset=\"1\" stop-color=\"%4\"/>\n"
                          "    </linearGradient>\n"
                          "  </defs>\n")
               .arg(tile.top())
               .arg(tile.bottom())
               .arg(svgColor(kIconTop), svgColor(kIconBottom));
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                          "fill=\"url(#tile)\"/>\n")
               .arg(tile.left())
               .arg(tile.top())
               .arg(tile.width())
               .arg(tile.height())
               .arg(r);
    svg += QStringLiteral("  <path d=\"%1\" stroke=\"%2\" stroke-opacity=\"%3\" "
                          "stroke-width=\"5\"/>\n")
               .arg(svgPathData(grid), svgColor(kIconGrid), svgOpacity(kIconGrid));
    svg += svgStroke(curvePath(kIconTraceBox, iconSecondWave, 120), kIconSecond, 30);
    for (int i = 0; i < 4; ++i)
        svg += svgStroke(main, glow, 130 - 18 * i);
    svg += svgStroke(main, kIconTrace, 46);
    svg += svgStroke(main, kIconTraceCore, 14);
    const QRectF rim = tile.adjusted(3, 3, -3, -3);
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                          "fill=\"none\" stroke=\"%6\" stroke-opacity=\"%7\" "
                          "stroke-width=\"6\"/>\n")
               .arg(rim.left())
               .arg(rim.top())
               .arg(rim.width())
               .arg(rim.height())
               .arg(r - 3)
               .arg(svgColor(kIconRim), svgOpacity(kIconRim));
    svg += QStringLiteral("</svg>\n");
    return svg;
}

QImage makeIcon(int size)
{
    QImage img = blankImage(size, size);
    QPainter p(&img);
    prepare(p);
    drawIcon(p, QRectF(0, 0, size, size));
    return img;
}

// The splash card is laid out on 500 x 281; scale 2 draws it for desktops scaled to 200 %.
QImage makeSplash(int scale)
{
    const int w = 500, h = 281;
    QImage img = blankImage(w * scale, h * scale);
    QPainter p(&img);
    prepare(p);
    p.scale(scale, scale);

    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0.0, QColor(0x1a, 0x23, 0x33));
    bg.setColorAt(1.0, QColor(0x0e, 0x13, 0x1d));
    p.fillRect(QRect(0, 0, w, h), bg);

    // Left column: identity.
    const qreal left = 28;
    drawIcon(p, QRectF(left - 4, 26, 52, 52));

    p.setPen(Qt::white);
    p.setFont(makeFont(40, QFont::Bold));
    p.drawText(QPointF(left, 126), QStringLiteral("Corvale"));

    p.setPen(QColor(0x8f, 0xa6, 0xc6));
    p.setFont(makeFont(14, QFont::Normal));
    p.drawText(QPointF(left + 2, 150), QStringLiteral("v1.0.1"));

    p.setPen(QColor(0xd2, 0xdb, 0xe8));
    p.setFont(makeFont(15, QFont::Normal));
    p.drawText(QPointF(left + 1, 186), QStringLiteral("Data plotter &"));
    p.drawText(QPointF(left + 1, 206), QStringLiteral("serial monitor"));

    // Channel colour chips, the same order as the plot legend.
    for (int i = 0; i < 6; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(kChannel[i]);
        p.drawRoundedRect(QRectF(left + 1 + i * 22, 222, 16, 5), 2.5, 2.5);
    }

    p.setPen(QColor(0x6c, 0x7f, 0x9c));
    p.setFont(makeFont(11, QFont::Normal));
    p.drawText(QPointF(left + 1, 258), QStringLiteral("Quellmark"));

    // Right column: a miniature plot canvas.
    const QRectF card(236, 24, 240, 233);
    QPainterPath cardShape;
    cardShape.addRoundedRect(card, 8, 8);
    p.fillPath(cardShape, kCanvas);
    p.save();
    p.setClipPath(cardShape);

    const QRectF plot = card.adjusted(10, 12, -10, -12);
    p.setPen(QPen(QColor(0xc4, 0xc4, 0xc4), 1));
    for (int i = 0; i <= 8; ++i) {
        const qreal x = qRound(plot.left() + i * plot.width() / 8.0) + 0.5;
        const qreal y = qRound(plot.top() + i * plot.height() / 8.0) + 0.5;
        p.drawLine(QPointF(x, card.top()), QPointF(x, card.bottom()));
        p.drawLine(QPointF(card.left(), y), QPointF(card.right(), y));
    }
    p.setPen(QPen(QColor(0x9a, 0x9a, 0x9a), 1));
    const qreal mid = qRound(plot.center().y()) + 0.5;
    p.drawLine(QPointF(card.left(), mid), QPointF(card.right(), mid));

    const std::function<qreal(qreal)> wave[] = {
        [](qreal u) { return 0.62 * qSin(2 * M_PI * (1.6 * u + 0.05)); },
        [](qreal u) { return 0.80 * qExp(-2.4 * u) * qSin(2 * M_PI * 3.1 * u) - 0.05; },
        [](qreal u) { return 0.30 * qSin(2 * M_PI * (0.8 * u + 0.3)) + 0.45; },
        [](qreal u) {
            // Ramp with a little ripple, like a slowly charging input.
            return -0.78 + 0.55 * (1 - qExp(-3.0 * u)) + 0.04 * qSin(2 * M_PI * 9 * u);
        },
    };
    for (int i = 0; i < 4; ++i) {
        p.setPen(roundPen(kChannel[i], 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curvePath(plot, wave[i]));
    }
    p.restore();
    return img;
}

QImage makeLogo()
{
    const int w = 3046, h = 2119;
    const qreal margin = 110, gap = 130;
    QImage img = blankImage(w, h);
    QPainter p(&img);
    prepare(p);

    const QColor blue(0x0b, 0x57, 0xe3);
    const QColor orange(0xff, 0x55, 0x00);

    // Word mark first: it takes nearly the full width so it stays readable when the logo is
    // shown about 120 px wide, and the mark gets whatever height is left above it.
    const QString word = QStringLiteral("Quellmark");
    QPainterPath text;
    text.addText(0, 0, makeFont(100, QFont::Bold), word);
    const qreal k = (w - 2 * margin) / text.boundingRect().width();
    text = QTransform::fromScale(k, k).map(text);
    const QRectF tb = text.boundingRect();
    text.translate((w - tb.width()) / 2.0 - tb.left(), h - margin - tb.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(text);

    // Mark: a "Q" whose bowl holds a waveform and whose tail is the probe lead.
    // Proportions are in units of the ring radius.
    const qreal a = qDegreesToRadians(45.0);
    const qreal ringW = 0.34, tailLen = 0.46;
    const qreal above = 1 + ringW / 2;
    const qreal below = qMax(above, (1 + tailLen) * qSin(a) + ringW / 2);
    const qreal r = (text.boundingRect().top() - gap - margin) / (above + below);
    const QPointF c(w / 2.0, margin + above * r);
    const qreal ring = ringW * r;

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(blue, ring));
    p.drawEllipse(c, r, r);

    const qreal inner = r - ring / 2.0;
    const QRectF waveBox(c.x() - inner * 0.70, c.y() - inner * 0.46, inner * 1.40, inner * 0.92);
    p.setPen(roundPen(orange, 0.215 * r));
    p.drawPath(curvePath(
        waveBox, [](qreal u) { return 0.78 * qSin(2 * M_PI * u); }, 400));

    // Starting on the ring's centre line hides the round cap inside the ring.
    const QPointF dir(qCos(a), qSin(a));
    p.setPen(roundPen(blue, ring));
    p.drawLine(c + r * dir, c + (1 + tailLen) * r * dir);
    return img;
}

bool savePng(const QImage &img, const QString &path)
{
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%dx%d)\n", qPrintable(path), img.width(), img.height());
    return true;
}

// A single-image ICO that embeds the PNG as is; Windows Vista and later read these,
// and at 1024 px a PNG payload is the only sensible choice.
bool saveIco(const QImage &img, const QString &path)
{
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    if (!img.save(&buf, "PNG"))
        return false;

    QByteArray ico;
    auto put16 = [&ico](quint16 v) {
        ico.append(char(v & 0xff));
        ico.append(char(v >> 8));
    };
    auto put32 = [&](quint32 v) {
        put16(quint16(v & 0xffff));
        put16(quint16(v >> 16));
    };
    put16(0);            // reserved
    put16(1);            // type: icon
    put16(1);            // image count
    ico.append(char(0)); // width 0 means 256 or more
    ico.append(char(0)); // height
    ico.append(char(0)); // no palette
    ico.append(char(0)); // reserved
    put16(1);            // colour planes
    put16(32);           // bits per pixel
    put32(quint32(png.size()));
    put32(22); // data follows the 6-byte header and one 16-byte entry
    ico.append(png);

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(ico) != ico.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (1 image, %dx%d PNG)\n", qPrintable(path), img.width(), img.height());
    return true;
}

bool saveText(const QString &text, const QString &path)
{
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
    return true;
}

// The PNG stand-ins of an SVG icon: <name>_16.png, _32.png and _64.png, for 100 %, 200 % and
// 400 % desktops.
bool saveSvgIconPngs(const QDir &folder, const QString &name)
{
    QSvgRenderer svg(folder.filePath(name + QStringLiteral(".svg")));
    if (!svg.isValid()) {
        std::fprintf(stderr, "cannot read %s.svg\n", qPrintable(folder.filePath(name)));
        return false;
    }
    bool ok = true;
    for (int size : {16, 32, 64}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        ok = savePng(image, folder.filePath(QStringLiteral("%1_%2.png").arg(name).arg(size))) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    // Build hosts usually have no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    // Text would silently fall back to another face and the artwork would drift.
    if (QFontInfo(makeFont(20, QFont::Bold)).family() != kFamily)
        std::fprintf(stderr, "warning: %s not found, text will use a substitute font\n",
                     qPrintable(kFamily));

    const QImage icon = makeIcon(1024);
    bool ok = savePng(makeSplash(1), out.filePath(QStringLiteral("Corvale-SS.png")));
    ok = savePng(makeSplash(2), out.filePath(QStringLiteral("Corvale-SS@2x.png"))) && ok;
    ok = savePng(icon, out.filePath(QStringLiteral("Corvale_icon.png"))) && ok;
    ok = saveIco(icon, out.filePath(QStringLiteral("Corvale_icon.ico"))) && ok;
    // Drawn at its size rather than scaled down, so the strokes stay crisp in menus.
    ok = savePng(makeIcon(256), out.filePath(QStringLiteral("Corvale_icon_256.png"))) && ok;
    ok = saveText(makeIconSvg(), out.filePath(QStringLiteral("Corvale_icon.svg"))) && ok;
    ok = savePng(makeLogo(), out.filePath(QStringLiteral("Quellmark.png"))) && ok;
    ok = saveSvgIconPngs(out, QStringLiteral("USB_icon")) && ok;
    ok = saveSvgIconPngs(out, QStringLiteral("UPDATE_icon")) && ok;
    return ok ? 0 : 1;
}
