#include "plotting/stripchart.h"

#include "plotting/columnreducer.h"
#include "plotting/devicepixels.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"
#include "plotting/reduceddrawing.h"
#include "plotting/samplestore.h"

#include <QPaintEngine>
#include <QPainter>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Rows of the image that are copied to the canvas together, or not at all.
constexpr int bandRows = 16;
// Zoomed in further than this, a frame draws the few samples in view at once: a column per
// sample and more would leave the kept picture little to save.
constexpr double maxColumnsPerSample = 16;

} // namespace

StripChart::StripChart(const SampleStore *store) : m_store(store)
{
    setZ(20); // where the curves would be
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
}

void StripChart::setCurves(const QList<ReducedCurve *> &curves)
{
    m_curves = curves;
    for (ReducedCurve *curve : curves)
        curve->setDrawnTogether(true);
    m_valid = false;
}

int StripChart::rtti() const
{
    return QwtPlotItem::Rtti_PlotUserItem + 1;
}

bool StripChart::Mapping::operator==(const Mapping &other) const
{
    return columnsPerSample == other.columnsPerSample && x0 == other.x0 && yScale == other.yScale &&
           yOffset == other.yOffset && device == other.device;
}

// The image is kept in device pixels, relative to the canvas: on a raster device whose painter
// only scales and moves (the window's backing store and a grab of the canvas alike).
bool StripChart::mapping(const QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                         const QRectF &canvasRect, Mapping *result)
{
    const double scale = rasterScale(painter);
    if (scale == 0)
        return false;
    const double xSpan = xMap.s2() - xMap.s1();
    const double ySpan = yMap.s2() - yMap.s1();
    if (xSpan == 0 || ySpan == 0)
        return false;
    result->columnsPerSample = scale * (xMap.p2() - xMap.p1()) / xSpan;
    result->x0 = scale * xMap.transform(0.0);
    result->yScale = scale * (yMap.p2() - yMap.p1()) / ySpan;
    result->yOffset = scale * yMap.transform(0.0);
    result->device =
        QRectF(canvasRect.topLeft() * scale, canvasRect.size() * scale).toAlignedRect();
    result->scale = scale;
    return result->device.isValid();
}

QVector<QPen> StripChart::pens() const
{
    QVector<QPen> pens;
    for (const ReducedCurve *curve : m_curves)
        pens << (curve->isVisible() ? curve->pen() : QPen(Qt::NoPen));
    return pens;
}

qint64 StripChart::column(quint64 number) const
{
    // Never negative: truncating is flooring.
    return qint64(double(number) * m_map.columnsPerSample + m_phase);
}

void StripChart::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                      const QRectF &canvasRect) const
{
    if (m_store->width() == 0 || m_curves.isEmpty())
        return;
    // A curve drawing every sample (to compare) draws the others by themselves too.
    for (const ReducedCurve *curve : m_curves) {
        if (!curve->isDrawnTogether())
            return;
    }

    Mapping map;
    const bool cached = mapping(painter, xMap, yMap, canvasRect, &map);
    // The window's positions in view, and one beyond each edge for the segments that leave it.
    const auto [s1, s2] = shownRange(xMap, canvasRect);
    const qint64 last = m_store->width() - 1;
    const double held = m_store->heldFrom();
    if (!(s2 >= held && s1 <= double(last)))
        return;
    const qint64 lo = qint64(qMax(std::floor(s1) - 1, held));
    const qint64 hi = qint64(qMin(std::ceil(s2) + 1, double(last)));
    const qint64 spanned = qint64(std::ceil(map.columnsPerSample * double(hi - lo))) + 2;
    if (!cached || map.columnsPerSample > maxColumnsPerSample ||
        spanned > map.device.width() + 2 * qint64(maxColumnsPerSample) + 2) {
        // A printer, a vector file, a rotated painter, an axis that shows part of the samples
        // at a shrunk scale, or a few samples zoomed far: everything at once, reduced where the
        // painter does not round to pixels (where it does, the curves reduce themselves).
        m_valid = false;
        const bool rounds = QwtPainter::roundingAlignment(painter);
        for (int c = 0; c < m_curves.size() && c < m_store->channelCount(); ++c) {
            const ReducedCurve *curve = m_curves.at(c);
            if (!curve->isVisible())
                continue;
            if (rounds) {
                curve->drawAlone(painter, xMap, yMap, canvasRect);
                continue;
            }
            painter->save();
            painter->setPen(curve->pen());
            const int from = m_store->heldFrom();
            drawReducedPolyline(
                painter, xMap, yMap, canvasRect, m_store->width() - from,
                [&](int i) { return QPointF(double(from + i), m_store->at(c, from + i)); });
            painter->restore();
        }
        return;
    }

    const QVector<QPen> now = pens();
    const quint64 first = m_store->first() + quint64(lo);
    const quint64 end = m_store->first() + quint64(hi) + 1;
    const bool renumber = !m_valid || !(map == m_map) || m_store->generation() != m_generation ||
                          lo != m_lo || hi != m_hi;
    if (renumber) {
        m_map = map;
        m_generation = m_store->generation();
        m_lo = lo;
        m_hi = hi;
        number(m_store->first(), first);
    }
    if (renumber || now != m_pens || first >= m_end) {
        m_pens = now;
        redrawAll(first, end);
    } else {
        update(first, end);
    }

    // Zoomed, the samples beyond the edges lie off the canvas.
    const bool beyond = m_left < m_map.device.left() ||
                        m_left + column(m_end - 1) - column(m_first) >= m_map.device.right();
    if (beyond) {
        painter->save();
        painter->setClipRect(canvasRect, Qt::IntersectClip);
    }
    // Only the bands of rows that ever held a curve since the last full drawing: blending the
    // whole image costs more than anything else in a frame, and curves often leave wide bands
    // empty.
    const qint64 oldest = column(m_first);
    const double x = double(oldest - m_base);
    const double width = double(column(m_end - 1) - oldest + 1);
    const double scale = m_map.scale;
    for (int band = 0; band < m_bandUsed.size(); ++band) {
        if (!m_bandUsed.at(band))
            continue;
        int end = band + 1;
        while (end < m_bandUsed.size() && m_bandUsed.at(end))
            ++end;
        const int top = band * bandRows;
        const int height = qMin(end * bandRows, m_image.height()) - top;
        const QRectF source(x, top, width, height);
        const QRectF target(m_left / scale, (m_map.device.top() + top) / scale, width / scale,
                            height / scale);
        painter->drawImage(target, m_image, source);
        band = end;
    }
    if (beyond)
        painter->restore();
}

qint64 StripChart::newColumns() const
{
    const quint64 end = m_store->first() + quint64(m_hi) + 1;
    if (!m_valid || m_store->generation() != m_generation || end < m_end)
        return std::numeric_limits<qint64>::max();
    return end == m_end ? 0 : column(end - 1) - column(m_end - 1);
}

// The columns of the sample numbers from here on, with sample `zero` (at position 0) where the
// axis puts it, until the mapping or the store's numbering changes; the picture starts at the
// column of sample `first`.
void StripChart::number(quint64 zero, quint64 first) const
{
    const double start = m_map.x0 + 0.5 - m_map.columnsPerSample * double(zero);
    const double whole = std::floor(start);
    m_phase = start - whole;
    // Both terms grow with the sample numbers, far past an int after hours; their sum is a
    // pixel of the canvas.
    m_left = int(qint64(whole) + column(first));
}

void StripChart::redrawAll(quint64 first, quint64 end) const
{
    m_first = first;
    m_end = end;
    const QSize size(m_map.device.width() + qMax(64, m_map.device.width() / 4) + 2 +
                         2 * int(maxColumnsPerSample) + 2,
                     m_map.device.height());
    if (m_image.size() != size)
        m_image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    m_bandUsed.fill(false, (m_image.height() + bandRows - 1) / bandRows);
    m_base = column(m_first);
    QPainter painter(&m_image);
    drawSamples(painter, m_first, m_end);
    m_valid = true;
}

void StripChart::update(quint64 first, quint64 end) const
{
    if (end == m_end)
        return;
    if (column(end - 1) - m_base >= m_image.width())
        rebase(column(first));

    // A polyline's first and last lines are drawn with caps, which can set other pixels than the
    // same lines in the middle of a polyline drawn at once, up to a column beyond them. Each part
    // below is drawn from two columns before the columns it changes to two columns after them.
    QPainter painter(&m_image);

    // The oldest column lost its first samples: drawn again with those that are left.
    const qint64 oldest = column(first);
    quint64 further = first;
    while (further < end && column(further) < oldest + 2)
        ++further;
    drawColumns(painter, first, qMin(further + 2, end), oldest, oldest);

    // The newest sample's column may have grown, and the last line drawn ended with a cap: from
    // a column before that line on, everything is drawn again.
    const qint64 from = column(m_end >= first + 2 ? m_end - 2 : first) - 1;
    quint64 start = m_end - 1;
    while (start > first && column(start) > from - 2)
        --start;
    drawColumns(painter, start, end, from, qMax(column(m_end - 1), column(end - 1)) + 1);

    m_first = first;
    m_end = end;
}

// Samples numbered `from` up to `to`, drawn over the columns first ... last of the picture, which
// are cleared first; the columns beside them stay as they were. Not by clipping the painter: a
// line it clips is drawn with other pixels at the clip's edge than the same line drawn whole.
void StripChart::drawColumns(QPainter &painter, quint64 from, quint64 to, qint64 first,
                             qint64 last) const
{
    if (from >= to)
        return;
    const auto inImage = [this](qint64 c) {
        return int(qBound(qint64(0), c - m_base, qint64(m_image.width())));
    };
    // Beyond the columns, what the polyline touches: from a pixel before its first sample to a
    // pixel after its last.
    const int beforeLeft = inImage(column(from) - 1);
    const QRect before(beforeLeft, 0, inImage(first) - beforeLeft, m_image.height());
    const int afterLeft = inImage(last + 1);
    const QRect after(afterLeft, 0, inImage(qMax(column(to - 1), last) + 2) - afterLeft,
                      m_image.height());
    const QImage keptBefore = before.width() > 0 ? m_image.copy(before) : QImage();
    const QImage keptAfter = after.width() > 0 ? m_image.copy(after) : QImage();
    erase(first, last);
    drawSamples(painter, from, to);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!keptBefore.isNull())
        painter.drawImage(before.topLeft(), keptBefore);
    if (!keptAfter.isNull())
        painter.drawImage(after.topLeft(), keptAfter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Moves the columns from `base` on to the left edge of the image.
void StripChart::rebase(qint64 base) const
{
    const int shift = int(qMin<qint64>(base - m_base, m_image.width()));
    const int width = m_image.width();
    for (int y = 0; y < m_image.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        std::memmove(row, row + shift, size_t(width - shift) * sizeof(quint32));
        std::memset(row + width - shift, 0, size_t(shift) * sizeof(quint32));
    }
    m_base = base;
}

void StripChart::erase(qint64 fromColumn, qint64 toColumn) const
{
    const int from = int(qMax<qint64>(fromColumn - m_base, 0));
    const int to = int(qMin<qint64>(toColumn - m_base, m_image.width() - 1));
    if (from > to)
        return;
    // Mostly a single column: a call per row would cost more than the clearing.
    uchar *bits = m_image.bits();
    const auto stride = m_image.bytesPerLine();
    for (int y = 0; y < m_image.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
        std::fill(row + from, row + to + 1, 0u);
    }
}

// Samples numbered `from` up to `to` of every channel shown, each channel over the ones before.
void StripChart::drawSamples(QPainter &painter, quint64 from, quint64 to) const
{
    if (from >= to)
        return;
    for (int c = 0; c < m_pens.size() && c < m_store->channelCount(); ++c) {
        if (m_pens.at(c).style() == Qt::NoPen)
            continue;
        const QPolygonF points = polyline(c, from, to);
        if (points.isEmpty())
            continue;
        painter.setPen(m_pens.at(c));
        painter.drawPolyline(points);
        const QRectF bounds = points.boundingRect();
        const int first = qBound(0, int(std::floor(bounds.top())) - 1, m_image.height() - 1);
        const int last = qBound(0, int(std::ceil(bounds.bottom())) + 1, m_image.height() - 1);
        for (int band = first / bandRows; band <= last / bandRows; ++band)
            m_bandUsed[band] = true;
    }
}

QPolygonF StripChart::polyline(int channel, quint64 from, quint64 to) const
{
    QPolygonF points;
    ColumnReducer reducer(&points);
    const double offset = m_map.yOffset - m_map.device.top();
    const quint64 first = m_store->first();
    for (quint64 n = from; n < to; ++n) {
        // Rounded in doubles: a value far off the axis lies beyond any int. Only a product that
        // overflows is brought back, to where the clipping below can still compute with it.
        constexpr double far = 1e300;
        const double y = offset + m_map.yScale * m_store->at(channel, int(n - first));
        reducer.add(double(column(n) - m_base), std::round(qBound(-far, y, far)));
    }
    reducer.flush();
    // The painter cannot take points far off the image; cut each segment where it leaves the
    // image, along its own line, so that it crosses the canvas where the samples put it.
    const QRectF inside = QRectF(m_image.rect()).adjusted(-1, -1, 1, 1);
    const QRectF bounds = points.boundingRect();
    if (bounds.top() < inside.top() || bounds.bottom() > inside.bottom())
        points = QwtCompat::clippedPolyline(inside, points);
    return points;
}
