#include "view/history.h"

#include <algorithm>

History::History(qint64 capacity)
{
    m_capacity = 4096;
    while (m_capacity < capacity)
        m_capacity *= 2;
    m_mask = m_capacity - 1;
}

void History::reset(int channels)
{
    m_channels = qMax(channels, 0);
    m_end = 0;
    // A capacity smaller than a piece still takes whole pieces; there is only one then.
    const qint64 pieces = qMax<qint64>(m_capacity / PieceLines, 1);
    m_pieces.clear();
    m_pieces.resize(size_t(pieces));
    m_blocks.clear();
    m_blocks.resize(size_t(pieces));
}

void History::append(const double *values)
{
    const qint64 slot = m_end & m_mask;
    const size_t piece = size_t(slot >> PieceShift);
    if (!m_pieces[piece]) {
        m_pieces[piece].reset(new double[size_t(m_channels) * PieceLines]);
        m_blocks[piece].reset(new Block[size_t(m_channels) * BlocksPerPiece]);
    }
    const size_t offset = size_t(slot & (PieceLines - 1));
    double *samples = m_pieces[piece].get();
    Block *blocks = m_blocks[piece].get() + offset / BlockLines;
    // A new block forgets what the ring held there before.
    const bool startsBlock = offset % BlockLines == 0;
    for (int c = 0; c < m_channels; ++c, blocks += BlocksPerPiece) {
        const double value = values[c];
        samples[size_t(c) * PieceLines + offset] = value;
        if (startsBlock) {
            *blocks = {value, value, value};
        } else {
            blocks->min = std::min(blocks->min, value);
            blocks->max = std::max(blocks->max, value);
            blocks->sum += value;
        }
    }
    ++m_end;
}

qint64 History::oldest() const
{
    if (m_end <= m_capacity)
        return 0;
    // The block of the newest line took the slots of a whole block of old lines.
    const qint64 newestBlock = (m_end - 1) & ~qint64(BlockLines - 1);
    return newestBlock + BlockLines - m_capacity;
}

void History::Summary::add(double value)
{
    if (count == 0) {
        first = min = max = value;
    } else {
        min = std::min(min, value);
        max = std::max(max, value);
    }
    last = value;
    sum += value;
    ++count;
}

void History::Summary::add(const Summary &later)
{
    if (later.count == 0)
        return;
    if (count == 0) {
        *this = later;
        return;
    }
    min = std::min(min, later.min);
    max = std::max(max, later.max);
    last = later.last;
    sum += later.sum;
    count += later.count;
}

History::Summary History::summary(int channel, qint64 from, qint64 to) const
{
    Summary s;
    from = qMax(from, oldest());
    to = qMin(to, m_end);
    // Line by line, a stretch of one piece at a time: a column of a zoomed-out view has dozens of
    // lines on either side of its whole blocks.
    const auto addLines = [&s](const double *p, qint64 count) {
        Summary part;
        part.count = count;
        part.first = p[0];
        part.last = p[count - 1];
        double low = p[0];
        double high = p[0];
        double sum = 0;
        for (qint64 i = 0; i < count; ++i) {
            low = p[i] < low ? p[i] : low;
            high = p[i] > high ? p[i] : high;
            sum += p[i];
        }
        part.min = low;
        part.max = high;
        part.sum = sum;
        s.add(part);
    };
    qint64 n = qMin(to, (from + BlockLines - 1) / BlockLines * BlockLines);
    forEachStretch(channel, from, n, addLines);
    for (; n + BlockLines <= to; n += BlockLines) {
        const Block &b = block(channel, n);
        Summary whole;
        whole.count = BlockLines;
        whole.first = at(channel, n);
        whole.last = at(channel, n + BlockLines - 1);
        whole.min = b.min;
        whole.max = b.max;
        whole.sum = b.sum;
        s.add(whole);
    }
    forEachStretch(channel, n, to, addLines);
    return s;
}

void History::copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const
{
    forEachStretch(channel, from, to, [&out, stride](const double *p, qint64 count) {
        for (qint64 i = 0; i < count; ++i, out += stride)
            *out = p[i];
    });
}

qint64 History::memoryBytes() const
{
    qint64 bytes = 0;
    for (const auto &piece : m_pieces)
        bytes += piece ? qint64(m_channels) * PieceLines * qint64(sizeof(double)) : 0;
    for (const auto &blocks : m_blocks)
        bytes += blocks ? qint64(m_channels) * BlocksPerPiece * qint64(sizeof(Block)) : 0;
    return bytes;
}
