#include "record/snapshot.h"

#include "plotting/pointstore.h"

#include <algorithm>

namespace {

class SeriesRows : public ExportRows
{
public:
    explicit SeriesRows(TimelineSnapshot samples) : m_samples(std::move(samples)) {}
    void fill(qint64 first, qint64 count, double *out) const override
    {
        const int width = int(columns.size());
        const qint64 from = m_samples.from() + first;
        double *row = out;
        for (qint64 x = from; x < from + count; ++x, row += width)
            row[0] = double(x);
        for (int c = 0; c < m_samples.channelCount(); ++c)
            m_samples.copy(c, from, from + count, out + 1 + c, width);
    }

    qint64 lines() const { return m_samples.to() - m_samples.from(); }

private:
    TimelineSnapshot m_samples;
};

class TableRows : public ExportRows
{
public:
    void fill(qint64 first, qint64 count, double *out) const override
    {
        const qint64 width = columns.size();
        std::copy(values.constData() + first * width, values.constData() + (first + count) * width,
                  out);
    }
    QVector<double> values; // row after row
};

} // namespace

std::shared_ptr<const ExportRows> seriesRows(const Timeline &timeline, qint64 from, qint64 to)
{
    auto rows = std::make_shared<SeriesRows>(timeline.snapshot(from, to + 1));
    rows->columns << QStringLiteral("sample");
    for (int c = 0; c < timeline.channelCount(); ++c)
        rows->columns << QStringLiteral("Channel %1").arg(c + 1);
    rows->rows = rows->lines();
    return rows;
}

std::shared_ptr<const ExportRows> pointRows(const PointStore &points, const QRectF *view)
{
    auto table = std::make_shared<TableRows>();
    table->columns << QStringLiteral("x") << QStringLiteral("y");
    const QRectF area = view ? view->normalized() : QRectF();
    for (int i = 0; i < points.size(); ++i) {
        const QPointF &p = points.at(i);
        if (view && !(p.x() >= area.left() && p.x() <= area.right() && p.y() >= area.top() &&
                      p.y() <= area.bottom()))
            continue;
        table->values << p.x() << p.y();
        ++table->rows;
    }
    return table;
}
