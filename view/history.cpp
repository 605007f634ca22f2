#include "view/history.h"

#include <algorithm>
#include <atomic>

History::History(qint64 capacity)
{
    m_ring.capacity = 4096;
    while (m_ring.capacity < capacity)
        m_ring.capacity *= 2;
    m_ring.mask = m_ring.capacity - 1;
}

void History::reset(int channels)
{
    m_ring.channels = qMax(channels, 0);
    m_end = 0;
    // A capacity smaller than a piece still takes whole pieces; there is only one then.
    const size_t pieces = size_t(qMax<qint64>(m_ring.capacity / PieceLines, 1));
    // Snapshots keep the pieces they share.
    m_ring.pieces.assign(pieces, nullptr);
    m_blocks.clear();
    m_blocks.resize(pieces);
    m_blockTimes.clear();
    m_blockTimes.resize(pieces);
    m_shared.assign(pieces, false);
}

// The piece is this history's alone before a line is written into it. A snapshot still reading
// it keeps the old values; one already let go costs no copy.
void History::ownPiece(size_t piece)
{
    std::shared_ptr<double[]> &current = m_ring.pieces[piece];
    m_shared[piece] = false;
    if (current && current.use_count() == 1) {
        // The last snapshot let go on its own thread; its reads happened before.
        std::atomic_thread_fence(std::memory_order_acquire);
        return;
    }
    const size_t values = size_t(m_ring.channels) * PieceLines;
    auto *own = new double[values];
    if (const double *shared = current.get())
        std::copy(shared, shared + values, own);
    current.reset(own);
}

void History::append(const double *values, qint64 arrivedAt)
{
    const qint64 slot = m_end & m_ring.mask;
    const size_t piece = size_t(slot >> PieceShift);
    if (!m_ring.pieces[piece] || m_shared[piece])
        ownPiece(piece);
    if (!m_blocks[piece]) {
        m_blocks[piece].reset(new Block[size_t(m_ring.channels) * BlocksPerPiece]);
        m_blockTimes[piece].reset(new qint64[BlocksPerPiece]);
    }
    const size_t offset = size_t(slot & (PieceLines - 1));
    double *samples = m_ring.pieces[piece].get();
    Block *blocks = m_blocks[piece].get() + offset / BlockLines;
    // A new block forgets what the ring held there before.
    const bool startsBlock = offset % BlockLines == 0;
    if (startsBlock)
        m_blockTimes[piece][offset / BlockLines] = arrivedAt;
    for (int c = 0; c < m_ring.channels; ++c, blocks += BlocksPerPiece) {
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
    if (m_end <= m_ring.capacity)
        return 0;
    // The block of the newest line took the slots of a whole block of old lines.
    const qint64 newestBlock = (m_end - 1) & ~qint64(BlockLines - 1);
    return newestBlock + BlockLines - m_ring.capacity;
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
    m_ring.forEachStretch(channel, from, n, addLines);
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
    m_ring.forEachStretch(channel, n, to, addLines);
    return s;
}

void History::Ring::copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const
{
    forEachStretch(channel, from, to, [&out, stride](const double *p, qint64 count) {
        for (qint64 i = 0; i < count; ++i, out += stride)
            *out = p[i];
    });
}

History::Snapshot History::snapshot(qint64 from, qint64 to) const
{
    Snapshot snapshot;
    snapshot.m_from = from;
    snapshot.m_to = qMax(from, to);
    snapshot.m_ring = m_ring;
    // What the snapshot does not read need not be copied before it is written.
    std::vector<bool> read(m_ring.pieces.size(), false);
    for (qint64 n = from; n < to; n += PieceLines - (n & (PieceLines - 1)))
        read[size_t((n & m_ring.mask) >> PieceShift)] = true;
    for (size_t piece = 0; piece < read.size(); ++piece) {
        if (read[piece])
            m_shared[piece] = true;
        else
            snapshot.m_ring.pieces[piece].reset();
    }
    return snapshot;
}

QVector<History::Arrival> History::arrivals(qint64 from, qint64 to) const
{
    QVector<Arrival> found;
    from = qMax(from, oldest());
    to = qMin(to, m_end);
    for (qint64 n = (from + BlockLines - 1) / BlockLines * BlockLines; n < to; n += BlockLines) {
        const qint64 slot = n & m_ring.mask;
        const qint64 time = m_blockTimes[size_t(slot >> PieceShift)]
                                        [size_t((slot & (PieceLines - 1)) / BlockLines)];
        if (time != UnknownTime)
            found.append({n, time});
    }
    return found;
}

qint64 History::memoryBytes() const
{
    qint64 bytes = 0;
    for (const auto &piece : m_ring.pieces)
        bytes += piece ? qint64(m_ring.channels) * PieceLines * qint64(sizeof(double)) : 0;
    for (const auto &blocks : m_blocks)
        bytes += blocks ? qint64(m_ring.channels) * BlocksPerPiece * qint64(sizeof(Block)) +
                              BlocksPerPiece * qint64(sizeof(qint64))
                        : 0;
    return bytes;
}
