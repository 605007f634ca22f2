#include "plotting/samplestore.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

// Slots of the ring summed up by one block: a line looks at one block per channel, a frame at
// width / blockSlots blocks per channel.
constexpr int blockSlots = 64;

} // namespace

void SampleStore::reset(int channels, int width)
{
    m_channels = qMax(channels, 0);
    m_width = qMax(width, 0);
    m_oldest = 0;
    m_heldFrom = 0;
    m_samples.fill(0.0, m_channels * m_width);
    m_settings.fill(ChannelSettings(), m_channels);
    renumber();
}

quint64 SampleStore::nextGeneration()
{
    static std::atomic<quint64> generations{0};
    return ++generations;
}

// Sample numbers start again, and the blocks are worked out when next asked for.
void SampleStore::renumber()
{
    m_first = 0;
    m_generation = nextGeneration();
    m_blocksPerChannel = (m_width + blockSlots - 1) / blockSlots;
    m_blocks.fill(Block(), m_channels * m_blocksPerChannel);
    m_extremesKnown = false;
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
    m_heldFrom = 0;
    renumber();
}

void SampleStore::assign(int channels, int width, const QVector<double> &values, int missing)
{
    reset(channels, width);
    m_heldFrom = qBound(0, missing, m_width);
    m_samples = values;
    m_samples.resize(m_channels * m_width);
    // What holds no sample repeats the first that is held: the extremes stay the samples'.
    for (int c = 0; c < m_channels && m_heldFrom < m_width; ++c) {
        double *channel = m_samples.data() + c * m_width;
        std::fill(channel, channel + m_heldFrom, channel[m_heldFrom]);
    }
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
    // The slot of the oldest sample takes the newest, which makes the next one the oldest. Its
    // block keeps its extremes unless the value leaving was one of them.
    const int slot = m_oldest;
    double *samples = m_samples.data();
    Block *block = m_blocks.data() + slot / blockSlots;
    for (int c = 0; c < m_channels; ++c, block += m_blocksPerChannel) {
        double &sample = samples[c * m_width + slot];
        const double value = m_line[c];
        if (block->known) {
            if (sample == block->low || sample == block->high) {
                block->known = false;
            } else {
                block->low = qMin(block->low, value);
                block->high = qMax(block->high, value);
            }
        }
        sample = value;
    }
    m_oldest = slot + 1 == m_width ? 0 : slot + 1;
    ++m_first;
    m_extremesKnown = false;
    return -1;
}

double SampleStore::minimum(int channel) const
{
    updateExtremes();
    return m_low[channel];
}

double SampleStore::maximum(int channel) const
{
    updateExtremes();
    return m_high[channel];
}

// Blocks whose extremes left are scanned again; asked for once per frame or so.
void SampleStore::updateExtremes() const
{
    if (m_extremesKnown)
        return;
    m_low.resize(m_channels);
    m_high.resize(m_channels);
    for (int c = 0; c < m_channels; ++c) {
        const double *samples = m_samples.constData() + c * m_width;
        Block *blocks = m_blocks.data() + c * m_blocksPerChannel;
        double low = samples[0];
        double high = samples[0];
        for (int b = 0; b < m_blocksPerChannel; ++b) {
            Block &block = blocks[b];
            if (!block.known) {
                const int end = qMin((b + 1) * blockSlots, m_width);
                block.low = block.high = samples[b * blockSlots];
                for (int i = b * blockSlots + 1; i < end; ++i) {
                    block.low = qMin(block.low, samples[i]);
                    block.high = qMax(block.high, samples[i]);
                }
                block.known = true;
            }
            low = qMin(low, block.low);
            high = qMax(high, block.high);
        }
        m_low[c] = low;
        m_high[c] = high;
    }
    m_extremesKnown = true;
}

QVector<double> SampleStore::channel(int channel) const
{
    QVector<double> samples(m_width);
    for (int i = 0; i < m_width; ++i)
        samples[i] = at(channel, i);
    return samples;
}
