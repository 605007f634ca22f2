#ifndef CORVALE_TIMELINE_H
#define CORVALE_TIMELINE_H

#include "view/history.h"

#include "plotting/samplestore.h"

class TimelineSnapshot;

// The time series as the view shows it: a sample's x is its position, the newest at the plot
// window's last position, older ones to the left of it and, beyond the window, below 0, taken
// from the history. Positions 0 ... width - 1 are the window's own samples (zeros it was filled
// with included), negative ones the history's lines that came before the window's oldest.
class Timeline
{
public:
    Timeline() = default;
    // The window as it stands, with the history's newest line at its last position.
    static Timeline live(const SampleStore *window, const History *history);
    // A window kept from when the history's line `newest` was its last.
    static Timeline frozen(const SampleStore *window, const History *history, qint64 newest);

    int channelCount() const;
    qint64 lastX() const { return m_window ? m_window->width() - 1 : -1; }
    // The oldest position that holds a sample; above lastX() when none does.
    qint64 firstX() const;
    // The oldest position that holds a line received since the history started (the window's
    // zeros from before are not lines); above lastX() when none does.
    qint64 firstLineX() const;
    bool holds(qint64 x) const { return x >= firstX() && x <= lastX(); }
    // A held position.
    double at(int channel, qint64 x) const;
    // Of the held positions in [from, to).
    History::Summary summary(int channel, qint64 from, qint64 to) const;
    // The value a marker shows at x, on the segment that holds it: the first one, so that a
    // whole x lies on the segment ending there (but at the oldest position). False where no
    // segment holds x (or x is NaN).
    bool valueAt(int channel, double x, double *value) const;
    // The held positions in [from, to) as they are now, to be read on another thread.
    TimelineSnapshot snapshot(qint64 from, qint64 to) const;
    // The history's number of the newest line shown: it grows as lines arrive while live.
    qint64 newestLine() const { return m_history ? newest() : -1; }
    // When the lines at the positions [from, to) arrived, as History::arrivals() tells, with
    // positions for the lines' numbers.
    QVector<History::Arrival> arrivals(qint64 from, qint64 to) const;

private:
    Timeline(const SampleStore *window, const History *history, qint64 newest, bool live);
    qint64 newest() const { return m_live ? m_history->end() - 1 : m_newest; }
    qint64 numberAt(qint64 x) const { return newest() - lastX() + x; }

    const SampleStore *m_window = nullptr;
    const History *m_history = nullptr;
    qint64 m_newest = -1;
    bool m_live = false;
};

// Positions [from(), to()) of a timeline as they were when taken, to be read on any thread while
// it is kept: the window's samples (10000 lines at most) copied, the history's lines shared.
class TimelineSnapshot
{
public:
    int channelCount() const { return m_channels; }
    qint64 from() const { return m_from; }
    qint64 to() const { return m_to; }
    // The samples at the positions [from, to) of the snapshot's, of one channel, to out,
    // out + stride, ...
    void copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const;

private:
    friend class Timeline;
    int m_channels = 0;
    qint64 m_from = 0;
    qint64 m_to = 0;
    History::Snapshot m_history; // the positions below 0
    qint64 m_numberAtZero = 0;   // the line number position 0 would have
    qint64 m_windowFrom = 0;     // the window's positions from here on, channel after channel
    QVector<double> m_window;
};

#endif
