#ifndef CORVALE_READOUT_H
#define CORVALE_READOUT_H

#include <QColor>
#include <QPointF>
#include <QString>
#include <QVector>

class PointStore;
class QwtScaleMap;
class Timeline;

// What the two measuring cursors read, from the stored samples, as the value markers use them.
struct Readout
{
    bool hasA = false;
    bool hasB = false;
    QPointF a; // the cursors: a sample position (time series) or a stored point (XY)
    QPointF b;

    struct Channel
    {
        int channel = 0;
        bool hasA = false; // a sample at cursor A
        bool hasB = false;
        double atA = 0;
        double atB = 0;
        // Of the samples from A to B, both included.
        qint64 count = 0;
        double min = 0;
        double max = 0;
        double mean = 0;
    };
    QVector<Channel> channels; // the time series' shown channels, in order

    bool xy = false;
    double dx() const { return b.x() - a.x(); }
    double dy() const { return b.y() - a.y(); }
    double distance() const;
};

// Cursors at sample positions xA and xB (where placed) over the channels listed.
Readout seriesReadout(const Timeline &timeline, const QVector<int> &channels, const qint64 *xA,
                      const qint64 *xB);
// Cursors on two XY points.
Readout pointReadout(const QPointF *a, const QPointF *b);

// What the readout's box is drawn on: its own white, over the canvas.
QColor readoutBackground();
// The readout as the box on the canvas shows it (rich text), each channel's row in its colour
// (as dark as it must be to stay readable on the box). Numbers as the locale writes them, with
// up to `digits` significant digits.
QString readoutText(const Readout &readout, int digits = 6);
// The same as plain text, a line per row, for a screen reader.
QString readoutSpeech(const Readout &readout, int digits = 6);

// The stored point nearest to the canvas pixel `pixel` as the maps draw it, or -1 if there is
// none.
int nearestPoint(const PointStore &points, const QPointF &pixel, const QwtScaleMap &xMap,
                 const QwtScaleMap &yMap);

#endif
