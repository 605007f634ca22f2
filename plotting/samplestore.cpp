#include "plotting/samplestore.h"

#include <algorithm>
#include <cmath>

void SampleStore::reset(int channels, int width)
{
    m_channels = qMax(channels, 0);
    m_width = qMax(width, 0);
    m_oldest = 0;
    m_samples.fill(0.0, m_channels * m_width);
    m_settings.fill(ChannelSettings(), m_channels);
    ++m_revision;
}

void SampleStore::resize(int channels, int width)
{
    channels = qMax(channels, 0);
    width = qMax(width, 0);
    QVector<double> samples(channels * width, 0.0);
    const int keep = qMin(width, m_width);
    for (int c = 0; c < qMin(channels, m_channels); ++c)
        for (int i = 0; i < keep; ++i)
            samples[c * width + i] = at(c, i);
    m_samples = samples;
    m_settings.resize(channels);
    m_channels = channels;
    m_width = width;
    m_oldest = 0;
    ++m_revision;
}

int SampleStore::append(const double *values, int count)
{
    // Scaled once, checked, then stored: a line with a value out of range stores nothing.
    m_line.resize(m_channels);
    for (int c = 0; c < m_channels; ++c) {
        m_line[c] = c < count ? m_settings[c].scaled(values[c]) : 0.0;
        if (!std::isfinite(m_line[c]))
            return c;
    }
    if (m_width == 0)
        return -1;
    // The slot of the oldest sample takes the newest, which makes the next one the oldest.
    const int slot = m_oldest;
    double *samples = m_samples.data();
    for (int c = 0; c < m_channels; ++c)
        samples[c * m_width + slot] = m_line[c];
    m_oldest = slot + 1 == m_width ? 0 : slot + 1;
    ++m_revision;
    return -1;
}

QVector<double> SampleStore::channel(int channel) const
{
    QVector<double> samples(m_width);
    for (int i = 0; i < m_width; ++i)
        samples[i] = at(channel, i);
    return samples;
}
