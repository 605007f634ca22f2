// The hand-over from the reader thread to the window, both sides at full speed on threads of
// their own: nothing lost, doubled or reordered, no wake-up lost, and a clear in the middle
// (the window discarding serial input) leaves the queue consistent. Run under ThreadSanitizer
// in CI.

#include "links/chunkqueue.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// Lets the window side sleep until the reader side wakes it, as the event loop does.
class Wakeup
{
public:
    void post()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted = true;
        m_condition.notify_one();
    }
    bool wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const bool woken = m_condition.wait_for(lock, timeout, [this] { return m_posted; });
        m_posted = false;
        return woken;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_posted = false;
};

// A chunk carrying its sequence number, of varying size.
QByteArray numbered(quint32 seq)
{
    QByteArray chunk(int(4 + seq % 61), char(seq));
    std::memcpy(chunk.data(), &seq, sizeof seq);
    return chunk;
}

quint32 sequenceOf(const QByteArray &chunk)
{
    quint32 seq = 0;
    std::memcpy(&seq, chunk.constData(), sizeof seq);
    return seq;
}

} // namespace

class TestHandover : public QObject
{
    Q_OBJECT

private slots:
    void bothSidesAtFullSpeed()
    {
        constexpr quint32 half = 100000;
        constexpr quint32 total = 2 * half;
        ChunkQueue queue;
        Wakeup wakeup;
        std::atomic<bool> done{false};
        // The window clears the queue a few times while the first half flows; the second half
        // must then arrive whole.
        std::atomic<bool> clearsDone{false};

        std::thread reader([&] {
            for (quint32 seq = 1; seq <= total; ++seq) {
                if (seq == half + 1) {
                    while (!clearsDone)
                        std::this_thread::yield();
                }
                if (queue.push(numbered(seq)))
                    wakeup.post();
            }
            done = true;
            wakeup.post();
        });

        quint32 last = 0;
        quint32 secondHalf = 0;
        int batches = 0;
        int clears = 0;
        bool ordered = true;
        bool intact = true;
        bool lostWakeup = false;
        QVector<QByteArray> chunks;
        for (;;) {
            chunks.clear();
            queue.takeAll(&chunks);
            for (const QByteArray &chunk : chunks) {
                const quint32 seq = sequenceOf(chunk);
                ordered = ordered && seq > last;
                intact = intact && chunk == numbered(seq);
                secondHalf += seq > half ? 1 : 0;
                last = seq;
            }
            if (!clearsDone && ++batches % 3 == 0) {
                queue.clear(); // as a tab change discards serial input
                clearsDone = ++clears == 5;
            }
            if (!chunks.isEmpty())
                continue;
            clearsDone = true; // nothing more to clear: let the reader go on
            if (done && queue.sleepIfEmpty())
                break;
            if (queue.sleepIfEmpty() && !wakeup.wait(std::chrono::seconds(20))) {
                lostWakeup = !done;
                break;
            }
        }
        reader.join();

        QVERIFY(ordered);
        QVERIFY(intact);
        QVERIFY(!lostWakeup);
        QCOMPARE(last, total);
        QCOMPARE(secondHalf, half);
        QCOMPARE(queue.takeDroppedBytes(), qint64(0));
    }

    // Beyond its limit the queue drops and counts instead of growing.
    void fullQueueDropsAndCounts()
    {
        ChunkQueue queue;
        const QByteArray chunk(1024 * 1024, 'x');
        QVERIFY(queue.push(chunk)); // the window was idle: wake it
        for (int i = 1; i < 20; ++i)
            QVERIFY(!queue.push(chunk)); // once is enough
        QCOMPARE(queue.queuedBytes(), qint64(16) * 1024 * 1024);
        QCOMPARE(queue.takeDroppedBytes(), qint64(4) * 1024 * 1024);
        QCOMPARE(queue.takeDroppedBytes(), qint64(0));
        QVector<QByteArray> chunks;
        queue.takeAll(&chunks);
        QCOMPARE(chunks.size(), 16);
        QVERIFY(queue.sleepIfEmpty());
        QVERIFY(queue.push(chunk));
    }
};

QTEST_APPLESS_MAIN(TestHandover)
#include "tst_handover.moc"
