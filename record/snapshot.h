#ifndef CORVALE_SNAPSHOT_H
#define CORVALE_SNAPSHOT_H

#include <QRectF>
#include <QStringList>
#include <QVector>

class PointStore;
class Timeline;

// A copy of what an export writes, taken on the window's thread in one go, so that the writer's
// thread reads nothing that lines arriving meanwhile change: column names and rows of numbers.
struct ExportTable
{
    QStringList columns;
    QVector<double> values; // rows * columns.size(), row after row
    qint64 rows = 0;
};

// The time series' samples at the positions from..to (both included, as far as the timeline
// holds them): `sample` (the position) and every channel's value.
ExportTable seriesTable(const Timeline &timeline, qint64 from, qint64 to);
// The XY points in arrival order, those inside `view` only if one is given: x and y.
ExportTable pointTable(const PointStore &points, const QRectF *view = nullptr);

#endif
