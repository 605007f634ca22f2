#ifndef CORVALE_SAMPLESTORE_H
#define CORVALE_SAMPLESTORE_H

#include "plotting/channelsettings.h"

#include <QVector>

// The newest `width` samples of every channel, oldest first, as the time-series curves show
// them. Every channel is a ring and all rings share one write position, so a line costs one
// write per channel whatever the width: nothing moves when the oldest sample drops out.
// The lowest and highest sample of each channel are kept for blocks of slots of the ring, so
// that a line costs a few comparisons per channel and autoscaling looks at the blocks, not at
// every sample.
class SampleStore
{
public:
    // All samples zero, every channel's settings back to the defaults.
    void reset(int channels, int width);
    // A narrower store keeps the oldest samples, a wider one appends zeros after the newest.
    // Added channels hold zeros and default settings; the others keep theirs.
    void resize(int channels, int width);
    // Stores one line: values[k] scaled by the settings of channel k, for every channel (a
    // channel without a value gets 0; extra values are ignored). Nothing at width 0.
    // A value that scales to infinity (1e308 with a gain of 10, say) would wreck the plot's
    // range: then nothing is stored, and the result is the first such channel, otherwise -1.
    int append(const double *values, int count);
    // The values of the last line stored, scaled, one per channel.
    const double *lastLine() const { return m_line.constData(); }
    // A store of samples taken from elsewhere (a sweep out of the history): `values` holds
    // `width` samples of each channel, channel after channel, of which the first `missing` are
    // no samples at all (no line had arrived for them). Settings back to the defaults.
    void assign(int channels, int width, const QVector<double> &values, int missing);
    // Positions below this hold no sample; 0 but in an assigned store.
    int heldFrom() const { return m_heldFrom; }

    int channelCount() const { return m_channels; }
    int width() const { return m_width; }
    // Sample `index` of a channel, 0 being the oldest.
    double at(int channel, int index) const
    {
        int slot = m_oldest + index;
        if (slot >= m_width)
            slot -= m_width;
        return m_samples[channel * m_width + slot];
    }
    QVector<double> channel(int channel) const;
    // Of the channel's samples in the window; not for a width of 0.
    double minimum(int channel) const;
    double maximum(int channel) const;

    // Every sample has a number, counted from the last reset or resize: sample 0 of the window
    // is number first(), and each line stored adds one. Drawing that follows the numbers can
    // keep what it drew of older samples.
    quint64 first() const { return m_first; }
    // Changes with every reset or resize, when the numbering starts again; no two stores but
    // copies of one another share one.
    quint64 generation() const { return m_generation; }
    // Numbers the window's samples on from `first`, as if that many lines had come before: what
    // hours of lines do to the numbers, without waiting for them.
    void numberFrom(quint64 first)
    {
        m_first = first;
        m_generation = nextGeneration();
    }

    const ChannelSettings &settings(int channel) const { return m_settings[channel]; }
    ChannelSettings &settings(int channel) { return m_settings[channel]; }

private:
    // The lowest and highest value of a block of slots of one channel's ring, or none yet.
    struct Block
    {
        double low = 0;
        double high = 0;
        bool known = false;
    };
    void renumber();
    static quint64 nextGeneration();
    void updateExtremes() const;

    int m_channels = 0;
    int m_width = 0;
    int m_oldest = 0; // slot of sample 0 in every ring
    int m_heldFrom = 0;
    QVector<double> m_samples; // channel c in [c * width, (c + 1) * width)
    QVector<ChannelSettings> m_settings;
    QVector<double> m_line; // the line being stored, scaled
    quint64 m_first = 0;
    quint64 m_generation = 0;
    mutable QVector<Block> m_blocks; // channel c's in [c * blocksPerChannel, ...)
    int m_blocksPerChannel = 0;
    mutable bool m_extremesKnown = false;
    mutable QVector<double> m_low;
    mutable QVector<double> m_high;
};

#endif
