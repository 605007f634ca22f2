#ifndef CORVALE_SPECTRUMJOB_H
#define CORVALE_SPECTRUMJOB_H

#include "spectrum/spectrum.h"
#include "view/timeline.h"

#include <QVector>

class PlotView;

// The stretch of the time series whose spectrum is asked for, as the view chooses it: the
// positions between the two cursors when both are set, else those in view; only lines received
// (not the zeros a new plot starts with), the newest MaxLines of them at most.
struct SpectrumStretch
{
    static constexpr qint64 MaxLines = qint64(1) << 20;
    enum class Kind { None, View, Cursors, XY };

    Kind kind = Kind::None;
    qint64 from = 0; // positions [from, to)
    qint64 to = 0;
    qint64 chosen = 0;     // positions in the stretch before it was cut to MaxLines
    QVector<int> channels; // shown, in order
    bool live = false;
    qint64 newestLine = -1; // while live: the stretch's lines change as lines arrive

    qint64 lines() const { return to - from; }
    bool operator==(const SpectrumStretch &other) const
    {
        return kind == other.kind && from == other.from && to == other.to &&
               chosen == other.chosen && channels == other.channels && live == other.live &&
               newestLine == other.newestLine;
    }
    bool operator!=(const SpectrumStretch &other) const { return !(*this == other); }
};

SpectrumStretch chooseStretch(const PlotView &view);

// How the spectrum is taken, as the user sets it.
struct SpectrumSettings
{
    SpectrumWindow window = SpectrumWindow::Hann;
    bool decibels = false;
    double rate = 0; // lines per second as typed; 0: measured from the lines' arrival times
    bool operator==(const SpectrumSettings &o) const
    {
        return window == o.window && decibels == o.decibels && rate == o.rate;
    }
    bool operator!=(const SpectrumSettings &o) const { return !(*this == o); }
};

// What the worker transforms, taken on the window's thread in a moment: the stretch's samples
// (shared, see TimelineSnapshot) and the arrival times of the blocks that start in it.
struct SpectrumJob
{
    SpectrumStretch stretch;
    SpectrumSettings settings;
    TimelineSnapshot samples;
    QVector<History::Arrival> arrivals; // at positions
};

SpectrumJob takeJob(const PlotView &view, const SpectrumStretch &stretch,
                    const SpectrumSettings &settings);

// Lines per second, the slope of the arrival times over the lines by least squares: lines come
// in chunks, each with the time it arrived, and the fit evens out how they were cut. 0 where
// fewer than four blocks have a known time, they all came at once, or the times scatter about
// the fitted line too much for its slope to be known within 2 %.
double measuredRate(const QVector<History::Arrival> &arrivals);

// The spectrum of a job's channels, one ChannelSpectrum per channel of the stretch, in order:
// frequencies in Hz at the rate taken (typed, else measured), else in cycles per line.
struct SpectrumResult
{
    SpectrumStretch stretch;
    SpectrumSettings settings;
    double rate = 0;       // lines per second the frequencies are in; 0: cycles per line
    bool measured = false; // the rate was measured, not typed
    Spectrum spectrum;
    // Per channel: whether its samples were all finite (a value scaled beyond the largest
    // double is not), and its lowest and highest magnitude above bin 0.
    QVector<bool> finite;
    QVector<double> lowest;
    QVector<double> highest;
    // Per channel, the bins its curve draws, in order; empty: all of them. Of the bins that fall
    // into one pixel column (of 4096 at most, on a linear or a logarithmic frequency axis) the
    // first, lowest, highest and last: the pixels drawing all of them would set, at a cost the
    // window's thread can bear for 2^19 bins.
    QVector<QVector<int>> drawn;
    double seconds = 0; // the transform took
};

#endif
