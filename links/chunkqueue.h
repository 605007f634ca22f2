#ifndef CORVALE_CHUNKQUEUE_H
#define CORVALE_CHUNKQUEUE_H

#include <QByteArray>
#include <QVector>

#include <mutex>

// Hands the chunks that the reader thread reads over to the window, in arrival order. The reader
// never waits for the window: it only holds the lock to append. The window takes everything
// queued at once, and asks to be woken only when it goes idle, so that a busy window is not sent
// one wake-up per chunk. If the window falls hopelessly behind, chunks beyond MaxQueuedBytes are
// dropped and counted instead of eating the memory.
class ChunkQueue
{
public:
    static constexpr qint64 MaxQueuedBytes = 16 * 1024 * 1024;

    // Reader side. True when the window asked to be woken and must be now. The chunk is
    // stamped with the time it arrived (see now()).
    bool push(QByteArray chunk);
    qint64 queuedBytes();
    // Every byte pushed since the queue was made, dropped ones included.
    qint64 pushedBytes();

    // Window side. Appends everything queued to *chunks, and their arrival times to *times,
    // and empties the queue.
    void takeAll(QVector<QByteArray> *chunks, QVector<qint64> *times = nullptr);
    // True, and the next push wakes the window, if nothing is queued; false if chunks are
    // waiting (take them first).
    bool sleepIfEmpty();
    // Drops what is queued (not counted as dropped: the window asked for it), and forgets what
    // was dropped before.
    void clear();
    // Bytes dropped for want of room since the last call.
    qint64 takeDroppedBytes();

    // The clock of the arrival times: nanoseconds of the system's monotonic clock.
    static qint64 now();

private:
    std::mutex m_mutex;
    QVector<QByteArray> m_chunks;
    QVector<qint64> m_times;
    qint64 m_bytes = 0;
    qint64 m_dropped = 0;
    qint64 m_pushed = 0;
    bool m_wakeWanted = true;
};

#endif
