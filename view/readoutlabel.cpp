#include "view/readoutlabel.h"

#include "plotting/pointstore.h"
#include "view/readout.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>

#include <qwt_scale_map.h>

#include <cmath>

namespace {

constexpr int margin = 6;

} // namespace

ReadoutLabel::ReadoutLabel()
{
    setZ(200); // over the curves and the markers
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
}

void ReadoutLabel::setText(const QString &richText)
{
    if (richText == m_html)
        return;
    m_html = richText;
    m_document.setHtml(richText);
}

void ReadoutLabel::setSeries(const Timeline &timeline, const QVector<int> &channels)
{
    m_timeline = timeline;
    m_channels = channels;
    m_points = nullptr;
}

void ReadoutLabel::setPoints(const PointStore *points)
{
    m_points = points;
    m_channels.clear();
}

int ReadoutLabel::rtti() const
{
    return QwtPlotItem::Rtti_PlotUserItem + 3;
}

void ReadoutLabel::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect) const
{
    if (m_document.defaultFont() != painter->font())
        m_document.setDefaultFont(painter->font());
    const QSizeF textSize = m_document.size();
    const QSizeF size = textSize + QSizeF(8, 6);
    const QRectF inner = canvasRect.adjusted(margin, margin, -margin, -margin);
    // Top right, top left, bottom right, bottom left.
    QVector<QRectF> corners;
    for (const QPointF &at :
         {QPointF(inner.right() - size.width(), inner.top()), QPointF(inner.left(), inner.top()),
          QPointF(inner.right() - size.width(), inner.bottom() - size.height()),
          QPointF(inner.left(), inner.bottom() - size.height())})
        corners << QRectF(at, size);
    QVector<int> cover;
    for (const QRectF &box : corners)
        cover << covered(box, xMap, yMap);
    int best = m_corner;
    for (int i = 0; i < corners.size(); ++i) {
        if (cover.at(i) < cover.at(best))
            best = i;
    }
    // Another corner only if it covers clearly less than this one.
    if (cover.at(best) * 2 + 4 > cover.at(m_corner))
        best = m_corner;
    m_corner = best;
    m_lastRect = corners.at(best);

    painter->save();
    painter->setPen(QPen(QColor(110, 110, 110), 0));
    painter->setBrush(readoutBackground());
    painter->drawRoundedRect(m_lastRect, 2, 2);
    painter->translate(m_lastRect.center() - QPointF(textSize.width(), textSize.height()) / 2);
    // Dark on the white box whatever the desktop's palette would have the text in.
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document.documentLayout()->draw(painter, context);
    painter->restore();
}

// Pixel columns of the box (every other one) that a curve passes through, or points in it.
int ReadoutLabel::covered(const QRectF &box, const QwtScaleMap &xMap, const QwtScaleMap &yMap) const
{
    int count = 0;
    if (m_points) {
        for (int i = 0; i < m_points->size(); ++i) {
            const QPointF &p = m_points->at(i);
            count += box.contains(QPointF(xMap.transform(p.x()), yMap.transform(p.y()))) ? 1 : 0;
        }
        return count;
    }
    for (double column = box.left(); column < box.right(); column += 2) {
        const qint64 from = qint64(std::ceil(xMap.invTransform(column)));
        const qint64 to = qint64(std::floor(xMap.invTransform(column + 2))) + 1;
        for (int c : m_channels) {
            const History::Summary s = m_timeline.summary(c, from, qMax(to, from + 1));
            if (s.count == 0)
                continue;
            const double y1 = yMap.transform(s.min);
            const double y2 = yMap.transform(s.max);
            if (qMax(y1, y2) >= box.top() && qMin(y1, y2) <= box.bottom())
                ++count;
        }
    }
    return count;
}
