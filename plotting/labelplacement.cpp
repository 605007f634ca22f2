#include "plotting/labelplacement.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double Gap = 1.0;      // between stacked labels, so that no two touch
constexpr double Slack = 1e-6;   // keeps rounded spacings clear of the limits they were rounded to
constexpr double FarAway = 1e6;  // edges of the "canvas" when nothing fits the real one
constexpr int MaxFullSearch = 8; // 2^8 ways to send labels up or down are still cheap

bool fitsAcross(const QRectF &rect, const QRectF &canvas)
{
    return rect.left() >= canvas.left() && rect.right() <= canvas.right();
}

} // namespace

LabelPlacer::LabelPlacer(const QSizeF &symbolSize, const QRectF &canvas) : m_canvas(canvas)
{
    // The marker keeps its label clear of the symbol, and of its (unused) line pen, which is
    // one pixel wide.
    const QSizeF symbolHalf = (symbolSize + QSizeF(1, 1)) / 2;
    m_xOffset = qMax(0.5, symbolHalf.width());
    m_yOffset = qMax(0.5, symbolHalf.height());
    m_symbolArea = canvas.adjusted(-symbolSize.width(), -symbolSize.height(), symbolSize.width(),
                                   symbolSize.height());
}

// The arithmetic, in this order, of QwtPlotMarker::drawLabel (Qwt 6.1 and 6.2 alike).
QRectF LabelPlacer::labelRect(const QPointF &point, const QSizeF &textSize,
                              const LabelPlacement &placement) const
{
    const Qt::Alignment align = placement.alignment;
    const int spacing = qMax(placement.spacing, 0);
    double x = point.x();
    double y = point.y();
    if (align & Qt::AlignLeft) {
        x -= m_xOffset + spacing;
        x -= textSize.width();
    } else if (align & Qt::AlignRight) {
        x += m_xOffset + spacing;
    } else {
        x -= textSize.width() / 2;
    }
    if (align & Qt::AlignTop) {
        y -= m_yOffset + spacing;
        y -= textSize.height();
    } else if (align & Qt::AlignBottom) {
        y += m_yOffset + spacing;
    } else {
        y -= textSize.height() / 2;
    }
    return QRectF(x, y, textSize.width(), textSize.height());
}

QVector<LabelPlacement> LabelPlacer::place(const QVector<QPointF> &points,
                                           const QVector<QSizeF> &textSizes) const
{
    const int n = int(qMin(points.size(), textSizes.size()));
    QVector<LabelPlacement> result(n);
    QVector<QRectF> rects;
    for (int i = 0; i < n; ++i)
        rects << labelRect(points.at(i), textSizes.at(i), LabelPlacement());
    if (standApart(rects, true))
        return result;

    // A point off the canvas shows no symbol, and no label could stand beside it on the
    // canvas: it keeps the default.
    QVector<Label> labels;
    for (int i = 0; i < n; ++i) {
        if (m_symbolArea.contains(points.at(i)))
            labels << Label{i, points.at(i), textSizes.at(i)};
    }
    std::sort(labels.begin(), labels.end(), [](const Label &a, const Label &b) {
        return a.point.y() < b.point.y() || (a.point.y() == b.point.y() && a.index < b.index);
    });

    // Each label goes above or below its point (bit k of `below` for the k-th from the top);
    // try every way, or for many labels only "the upper ones above, the rest below".
    const int m = int(labels.size());
    QVector<unsigned> ways;
    if (m <= MaxFullSearch) {
        for (unsigned below = 0; below < (1u << m); ++below)
            ways << below;
    } else {
        for (int k = 0; k <= m && k < 32; ++k)
            ways << (k == 0 ? ~0u : ~0u << k);
    }
    for (bool bounded : {true, false}) {
        QVector<LabelPlacement> best;
        int bestCost = 0;
        int bestBelow = 0;
        for (unsigned below : std::as_const(ways)) {
            QVector<LabelPlacement> trial = result;
            if (!stack(labels, below, bounded, trial))
                continue;
            int cost = 0;
            int belowCount = 0;
            for (const Label &label : std::as_const(labels)) {
                const LabelPlacement &p = trial.at(label.index);
                cost += p.spacing - LabelPlacement::DefaultSpacing;
                belowCount += (p.alignment & Qt::AlignBottom) ? 1 : 0;
            }
            if (best.isEmpty() || cost < bestCost || (cost == bestCost && belowCount < bestBelow)) {
                best = trial;
                bestCost = cost;
                bestBelow = belowCount;
            }
        }
        if (!best.isEmpty())
            return best;
    }
    return result;
}

bool LabelPlacer::standApart(const QVector<QRectF> &rects, bool bounded) const
{
    for (int i = 0; i < rects.size(); ++i) {
        if (bounded && !m_canvas.contains(rects.at(i)))
            return false;
        const QRectF grown = rects.at(i).adjusted(-Gap / 2, -Gap / 2, Gap / 2, Gap / 2);
        for (int j = 0; j < i; ++j) {
            if (grown.intersects(rects.at(j).adjusted(-Gap / 2, -Gap / 2, Gap / 2, Gap / 2)))
                return false;
        }
    }
    return true;
}

// Stacks the labels, sorted from the top, one under the other: those above their points as
// low as the labels under them leave room for, those below as high as those over them allow.
bool LabelPlacer::stack(const QVector<Label> &labels, unsigned below, bool bounded,
                        QVector<LabelPlacement> &result) const
{
    const QRectF area =
        bounded ? m_canvas : m_canvas.adjusted(-FarAway, -FarAway, FarAway, FarAway);
    const int m = int(labels.size());
    const auto isBelow = [below](int k) {
        return k < 32 && (below >> k) & 1u;
    };
    const auto topEdge = [this](const Label &label, bool under, int spacing) {
        const Qt::Alignment align = Qt::AlignLeft | (under ? Qt::AlignBottom : Qt::AlignTop);
        return labelRect(label.point, label.size, LabelPlacement{align, spacing}).top();
    };

    // From the bottom: the spacing that puts each label as low as it may go.
    QVector<int> lowest(m);
    double limit = area.bottom();
    for (int k = m - 1; k >= 0; --k) {
        const Label &label = labels.at(k);
        const double y = label.point.y();
        const double maxTop = limit - label.size.height();
        int spacing;
        if (isBelow(k)) {
            spacing = int(std::floor(maxTop - y - m_yOffset - Slack));
            if (spacing < LabelPlacement::DefaultSpacing)
                return false;
        } else {
            const double needed = y - m_yOffset - label.size.height() - maxTop;
            spacing = qMax(LabelPlacement::DefaultSpacing, int(std::ceil(needed + Slack)));
        }
        lowest[k] = spacing;
        limit = topEdge(label, isBelow(k), spacing) - Gap;
    }

    // From the top: each label as close to its point as the ones over it allow.
    QVector<QRectF> rects;
    double next = area.top();
    for (int k = 0; k < m; ++k) {
        const Label &label = labels.at(k);
        int spacing = lowest.at(k);
        if (isBelow(k)) {
            const double needed = next - label.point.y() - m_yOffset;
            spacing = qMax(LabelPlacement::DefaultSpacing, int(std::ceil(needed + Slack)));
            if (spacing > lowest.at(k))
                return false;
        } else if (topEdge(label, false, spacing) < next) {
            return false;
        }
        Qt::Alignment side;
        if (!horizontalSide(label, spacing, bounded, side))
            return false;
        const LabelPlacement placement{side | (isBelow(k) ? Qt::AlignBottom : Qt::AlignTop),
                                       spacing};
        result[label.index] = placement;
        rects << labelRect(label.point, label.size, placement);
        next = rects.last().bottom() + Gap;
    }
    // What Qwt will draw, checked the way it will draw it.
    return standApart(rects, bounded);
}

// Left of the point where the label fits there, else right of it.
bool LabelPlacer::horizontalSide(const Label &label, int spacing, bool bounded,
                                 Qt::Alignment &side) const
{
    const QRectF left = labelRect(label.point, label.size, {Qt::AlignLeft, spacing});
    const QRectF right = labelRect(label.point, label.size, {Qt::AlignRight, spacing});
    if (fitsAcross(left, m_canvas)) {
        side = Qt::AlignLeft;
    } else if (fitsAcross(right, m_canvas)) {
        side = Qt::AlignRight;
    } else if (bounded) {
        return false;
    } else {
        // Nothing fits: the side that leaves less of the label off the canvas.
        const double leftOut =
            qMax(0.0, m_canvas.left() - left.left()) + qMax(0.0, left.right() - m_canvas.right());
        const double rightOut =
            qMax(0.0, m_canvas.left() - right.left()) + qMax(0.0, right.right() - m_canvas.right());
        side = leftOut <= rightOut ? Qt::AlignLeft : Qt::AlignRight;
    }
    return true;
}
