#ifndef CORVALE_SNAPSHOT_H
#define CORVALE_SNAPSHOT_H

#include "view/timeline.h"

#include <QRectF>
#include <QStringList>
#include <QVector>

#include <memory>

class PointStore;

// What an export writes, taken on the window's thread in a moment and read on the writer's, so
// that neither waits for the other and lines arriving meanwhile change nothing of it: column
// names and rows of numbers.
class ExportRows
{
public:
    virtual ~ExportRows() = default;
    QStringList columns;
    qint64 rows = 0;
    // Rows [first, first + count), each of columns.size() numbers, to out, row after row.
    virtual void fill(qint64 first, qint64 count, double *out) const = 0;
};

// The time series' samples at the positions from..to (both included, as far as the timeline
// holds them): `sample` (the position) and every channel's value.
std::shared_ptr<const ExportRows> seriesRows(const Timeline &timeline, qint64 from, qint64 to);
// The XY points in arrival order, those inside `view` only if one is given: x and y.
std::shared_ptr<const ExportRows> pointRows(const PointStore &points, const QRectF *view = nullptr);

#endif
