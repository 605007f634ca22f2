#include "record/snapshot.h"

#include "plotting/pointstore.h"
#include "view/timeline.h"

ExportTable seriesTable(const Timeline &timeline, qint64 from, qint64 to)
{
    ExportTable table;
    const int channels = timeline.channelCount();
    table.columns << QStringLiteral("sample");
    for (int c = 0; c < channels; ++c)
        table.columns << QStringLiteral("Channel %1").arg(c + 1);
    from = qMax(from, timeline.firstX());
    to = qMin(to, timeline.lastX());
    if (from > to)
        return table;
    table.rows = to - from + 1;
    const int columns = channels + 1;
    // A million rows and more: written in place, a column at a time.
    table.values.resize(int(table.rows * columns));
    double *row = table.values.data();
    for (qint64 x = from; x <= to; ++x, row += columns)
        row[0] = double(x);
    for (int c = 0; c < channels; ++c)
        timeline.copy(c, from, to + 1, table.values.data() + 1 + c, columns);
    return table;
}

ExportTable pointTable(const PointStore &points, const QRectF *view)
{
    ExportTable table;
    table.columns << QStringLiteral("x") << QStringLiteral("y");
    const QRectF area = view ? view->normalized() : QRectF();
    for (int i = 0; i < points.size(); ++i) {
        const QPointF &p = points.at(i);
        if (view && !(p.x() >= area.left() && p.x() <= area.right() && p.y() >= area.top() &&
                      p.y() <= area.bottom()))
            continue;
        table.values << p.x() << p.y();
        ++table.rows;
    }
    return table;
}
