#include "links/chunkqueue.h"

#include <chrono>

qint64 ChunkQueue::now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ChunkQueue::push(QByteArray chunk)
{
    const qint64 size = chunk.size();
    const qint64 at = now();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pushed += size;
    if (m_bytes + size > MaxQueuedBytes) {
        m_dropped += size;
    } else {
        m_chunks.append(std::move(chunk));
        m_times.append(at);
        m_bytes += size;
    }
    const bool wake = m_wakeWanted;
    m_wakeWanted = false;
    return wake;
}

qint64 ChunkQueue::queuedBytes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

qint64 ChunkQueue::pushedBytes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pushed;
}

void ChunkQueue::takeAll(QVector<QByteArray> *chunks, QVector<qint64> *times)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (chunks->isEmpty())
        chunks->swap(m_chunks);
    else
        *chunks += m_chunks;
    m_chunks.clear();
    if (times) {
        if (times->isEmpty())
            times->swap(m_times);
        else
            *times += m_times;
    }
    m_times.clear();
    m_bytes = 0;
}

bool ChunkQueue::sleepIfEmpty()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeWanted = m_chunks.isEmpty() && m_dropped == 0;
    return m_wakeWanted;
}

void ChunkQueue::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunks.clear();
    m_times.clear();
    m_bytes = 0;
    m_dropped = 0;
}

qint64 ChunkQueue::takeDroppedBytes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const qint64 dropped = m_dropped;
    m_dropped = 0;
    return dropped;
}
