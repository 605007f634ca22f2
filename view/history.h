#ifndef CORVALE_HISTORY_H
#define CORVALE_HISTORY_H

#include <QtGlobal>
#include <QVector>

#include <limits>
#include <memory>
#include <vector>

// The newest lines of every channel, far more than the plot window holds, for looking back.
// Lines are numbered from 0 since the last reset. Every channel is a ring of Capacity slots,
// allocated a piece at a time as lines arrive, so that memory follows what arrived (8 bytes per
// value). For blocks of BlockLines consecutive lines the lowest, highest and sum are kept as
// lines come: a summary of any range costs a few dozen steps per block, not one per line.
//
// The time each block's first line arrived is kept too: the rate over a stretch of lines is
// measured from the blocks that start in it.
//
// A snapshot keeps lines as they are for another thread (a file being written, a transform)
// without copying them: it shares the pieces, and the next line written into a piece that was
// shared gets a copy of that piece first, once.
class History
{
    static constexpr int PieceShift = 16;
    static constexpr qint64 PieceLines = qint64(1) << PieceShift;

    // The slots of every channel, a piece at a time.
    struct Ring
    {
        qint64 capacity = 0;
        qint64 mask = 0;
        int channels = 0;
        // One piece of PieceLines slots for every channel, channel c at [c * PieceLines, ...).
        std::vector<std::shared_ptr<double[]>> pieces;

        double at(int channel, qint64 number) const
        {
            const qint64 slot = number & mask;
            return pieces[size_t(slot >> PieceShift)]
                         [size_t(channel) * PieceLines + size_t(slot & (PieceLines - 1))];
        }
        // Calls f(values, count) for each stretch of [from, to) that lies in one piece, in order.
        template <typename F> void forEachStretch(int channel, qint64 from, qint64 to, F f) const
        {
            while (from < to) {
                const qint64 slot = from & mask;
                const qint64 offset = slot & (PieceLines - 1);
                const qint64 count = qMin(to - from, qMin(PieceLines, capacity) - offset);
                f(pieces[size_t(slot >> PieceShift)].get() + size_t(channel) * PieceLines + offset,
                  count);
                from += count;
            }
        }
        void copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const;
    };

public:
    // Lines [from(), to()) as they were when taken, to be read on any thread while it is kept.
    class Snapshot
    {
    public:
        int channelCount() const { return m_ring.channels; }
        qint64 from() const { return m_from; }
        qint64 to() const { return m_to; }
        // Lines [from, to) of the snapshot's, of one channel, to out, out + stride, ...
        void copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const
        {
            m_ring.copy(channel, from, to, out, stride);
        }

    private:
        friend class History;
        Ring m_ring;
        qint64 m_from = 0;
        qint64 m_to = 0;
    };

    static constexpr int BlockLines = 64;
    // 2^20 lines: at six channels, 48 MiB once full.
    static constexpr qint64 DefaultCapacity = qint64(1) << 20;

    // `capacity` is rounded up to a power of two of at least 4096 lines.
    explicit History(qint64 capacity = DefaultCapacity);

    // Forgets every line, for `channels` channels.
    void reset(int channels);
    // One line of already scaled values, one per channel, and the time it arrived
    // (ChunkQueue::now()), if known.
    static constexpr qint64 UnknownTime = std::numeric_limits<qint64>::min();
    void append(const double *values, qint64 arrivedAt = UnknownTime);

    int channelCount() const { return m_ring.channels; }
    qint64 capacity() const { return m_ring.capacity; }
    // Numbers of the lines held: [oldest(), end()). The ring gives up the oldest lines a block
    // at a time, so it holds between capacity - BlockLines + 1 and capacity lines once full.
    qint64 end() const { return m_end; }
    qint64 oldest() const;
    bool holds(qint64 number) const { return number >= oldest() && number < m_end; }
    double at(int channel, qint64 number) const { return m_ring.at(channel, number); }

    // What a range of lines holds, of one channel.
    struct Summary
    {
        qint64 count = 0;
        double first = 0;
        double last = 0;
        double min = 0;
        double max = 0;
        double sum = 0;
        void add(double value);
        void add(const Summary &later); // a range that follows this one
    };
    // Of the lines numbered [from, to), which must be held.
    Summary summary(int channel, qint64 from, qint64 to) const;

    // Copies the lines numbered [from, to), which must be held, of one channel to out, out +
    // stride, ...
    void copy(int channel, qint64 from, qint64 to, double *out, qsizetype stride) const
    {
        m_ring.copy(channel, from, to, out, stride);
    }
    // The lines numbered [from, to), which must be held.
    Snapshot snapshot(qint64 from, qint64 to) const;

    // When lines arrived: a block's first line among the lines numbered [from, to), which must be
    // held, and the time it arrived; oldest first, those of unknown time left out.
    struct Arrival
    {
        qint64 number;
        qint64 time;
    };
    QVector<Arrival> arrivals(qint64 from, qint64 to) const;

    // Bytes the samples and their blocks take now.
    qint64 memoryBytes() const;

private:
    static constexpr int BlocksPerPiece = int(PieceLines / BlockLines);

    struct Block
    {
        double min;
        double max;
        double sum;
    };
    const Block &block(int channel, qint64 number) const
    {
        const qint64 slot = number & m_ring.mask;
        return m_blocks[size_t(slot >> PieceShift)][size_t(channel) * BlocksPerPiece +
                                                    size_t((slot & (PieceLines - 1)) / BlockLines)];
    }

    void ownPiece(size_t piece);

    Ring m_ring;
    qint64 m_end = 0;
    std::vector<std::unique_ptr<Block[]>> m_blocks;
    // When each block's first line arrived, by piece.
    std::vector<std::unique_ptr<qint64[]>> m_blockTimes;
    // Pieces a snapshot may still read: written into only after they were copied.
    mutable std::vector<bool> m_shared;
};

#endif
