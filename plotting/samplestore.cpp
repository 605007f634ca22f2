#include "plotting/samplestore.h"

#include <algorithm>
#include <cmath>

void SampleStore::Candidates::reset(int capacity)
{
    m_numbers.resize(qMax(capacity, 1));
    m_head = 0;
    m_count = 0;
}

void SampleStore::Candidates::popFront()
{
    m_head = slot(1);
    --m_count;
}

void SampleStore::Candidates::pushBack(quint64 number)
{
    ++m_count;
    m_numbers[slot(m_count - 1)] = number;
}

void SampleStore::reset(int channels, int width)
{
    m_channels = qMax(channels, 0);
    m_width = qMax(width, 0);
    m_oldest = 0;
    m_samples.fill(0.0, m_channels * m_width);
    m_settings.fill(ChannelSettings(), m_channels);
    rebuildCandidates();
}

// A sample that is not beaten by a newer one stays a candidate until it leaves the window.
void SampleStore::addCandidates(int channel, quint64 number)
{
    const double value = sample(channel, number);
    Candidates &low = m_low[channel];
    while (!low.isEmpty() && sample(channel, low.back()) >= value)
        low.popBack();
    low.pushBack(number);
    Candidates &high = m_high[channel];
    while (!high.isEmpty() && sample(channel, high.back()) <= value)
        high.popBack();
    high.pushBack(number);
}

void SampleStore::rebuildCandidates()
{
    m_first = 0;
    ++m_generation;
    ++m_revision;
    m_low.resize(m_channels);
    m_high.resize(m_channels);
    for (int c = 0; c < m_channels; ++c) {
        m_low[c].reset(m_width);
        m_high[c].reset(m_width);
        for (int i = 0; i < m_width; ++i)
            addCandidates(c, quint64(i));
    }
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
    rebuildCandidates();
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
    // The oldest sample leaves the candidates before its slot takes the newest, which makes
    // the next one the oldest.
    for (int c = 0; c < m_channels; ++c) {
        if (m_low[c].front() == m_first)
            m_low[c].popFront();
        if (m_high[c].front() == m_first)
            m_high[c].popFront();
    }
    const int slot = m_oldest;
    double *samples = m_samples.data();
    for (int c = 0; c < m_channels; ++c)
        samples[c * m_width + slot] = m_line[c];
    m_oldest = slot + 1 == m_width ? 0 : slot + 1;
    ++m_first;
    const quint64 newest = m_first + quint64(m_width) - 1;
    for (int c = 0; c < m_channels; ++c)
        addCandidates(c, newest);
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
