#ifndef CORVALE_SAMPLESTORE_H
#define CORVALE_SAMPLESTORE_H

#include "plotting/channelsettings.h"

#include <QVector>

// The newest `width` samples of every channel, oldest first, as the time-series curves show
// them. Every channel is a ring and all rings share one write position, so a line costs one
// write per channel whatever the width: nothing moves when the oldest sample drops out.
// The lowest and highest sample of each channel are kept up to date as lines come and go, in
// constant time per line on average, so that autoscaling never scans the samples.
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
    double minimum(int channel) const { return sample(channel, m_low[channel].front()); }
    double maximum(int channel) const { return sample(channel, m_high[channel].front()); }

    // Every sample has a number, counted from the last reset or resize: sample 0 of the window
    // is number first(), and each line stored adds one. Drawing that follows the numbers can
    // keep what it drew of older samples.
    quint64 first() const { return m_first; }
    // Changes with every reset or resize, when the numbering starts again.
    quint64 generation() const { return m_generation; }

    const ChannelSettings &settings(int channel) const { return m_settings[channel]; }
    ChannelSettings &settings(int channel) { return m_settings[channel]; }

    // Changes whenever a sample does, so that readers can cache what they derive.
    quint64 revision() const { return m_revision; }

private:
    // Numbers of the samples that may still become the lowest (or highest) of their channel:
    // each beats every sample after it, oldest first. A ring of at most `width` numbers.
    class Candidates
    {
    public:
        void reset(int capacity);
        quint64 front() const { return m_numbers[m_head]; }
        quint64 back() const { return m_numbers[slot(m_count - 1)]; }
        bool isEmpty() const { return m_count == 0; }
        void popFront();
        void popBack() { --m_count; }
        void pushBack(quint64 number);

    private:
        int slot(int i) const
        {
            i += m_head;
            return i >= m_numbers.size() ? i - int(m_numbers.size()) : i;
        }
        QVector<quint64> m_numbers;
        int m_head = 0;
        int m_count = 0;
    };
    double sample(int channel, quint64 number) const { return at(channel, int(number - m_first)); }
    void addCandidates(int channel, quint64 number);
    void rebuildCandidates();

    int m_channels = 0;
    int m_width = 0;
    int m_oldest = 0;          // slot of sample 0 in every ring
    QVector<double> m_samples; // channel c in [c * width, (c + 1) * width)
    QVector<ChannelSettings> m_settings;
    QVector<double> m_line; // the line being stored, scaled
    quint64 m_revision = 0;
    quint64 m_first = 0;
    quint64 m_generation = 0;
    QVector<Candidates> m_low;
    QVector<Candidates> m_high;
};

#endif
