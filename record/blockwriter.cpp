#include "record/blockwriter.h"

#include "record/csvformat.h"
#include "record/snapshot.h"

#include <QFile>
#include <QPointer>

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Flushed to the disk this often, at the latest.
constexpr auto flushInterval = std::chrono::milliseconds(500);
// A disk slower than the data: beyond this much waiting the writer gives up rather than take
// all the memory.
constexpr qint64 maxWaitingBytes = qint64(256) << 20;
// Rows go to the file in pieces of about this size, so that a disk that fills up keeps every
// row that fit.
constexpr int pieceBytes = 16 << 10;
// Rows read from a source at a time: a few hundred kilobytes of text.
constexpr qint64 sourceBatchRows = 16384;

} // namespace

BlockWriter::BlockWriter(QObject *parent) : QObject(parent)
{
}

BlockWriter::~BlockWriter()
{
    finishAndWait();
}

void BlockWriter::start(const QString &path, const QByteArray &header)
{
    finishAndWait();
    m_path = path;
    m_failed = false;
    m_finishing = false;
    m_abandoned = false;
    m_waitingBytes = 0;
    m_rows = 0;
    m_bytes = 0;
    m_blocks.clear();
    m_thread = std::thread([this, path, header] { run(path, header); });
}

void BlockWriter::write(QByteArray bytes, qint64 rows)
{
    Block block;
    block.bytes = std::move(bytes);
    block.rows = rows;
    push(std::move(block));
}

void BlockWriter::write(QVector<double> values, qint64 rows, int columns, bool firstIsSeconds)
{
    Block block;
    block.values = std::move(values);
    block.rows = rows;
    block.columns = columns;
    block.firstIsSeconds = firstIsSeconds;
    push(std::move(block));
}

void BlockWriter::write(std::shared_ptr<const ExportRows> rows)
{
    Block block;
    block.rows = rows->rows;
    block.columns = int(rows->columns.size());
    block.source = std::move(rows);
    push(std::move(block));
}

void BlockWriter::push(Block block)
{
    if (!m_thread.joinable() || m_failed || block.rows == 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waitingBytes += block.heldBytes();
    if (m_waitingBytes > maxWaitingBytes) {
        m_abandoned = true;
        m_wake.notify_one();
        report(QStringLiteral("the disk does not keep up with the data"), false);
        return;
    }
    m_blocks.push_back(std::move(block));
    m_wake.notify_one();
}

void BlockWriter::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishing = true;
    m_wake.notify_one();
}

void BlockWriter::finishAndWait()
{
    if (!m_thread.joinable())
        return;
    finish();
    m_thread.join();
}

// From the writer's thread to the writer's own.
void BlockWriter::report(const QString &reason, bool opening)
{
    m_failed = true;
    QPointer<BlockWriter> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, reason, opening] {
            if (self)
                emit self->failed(reason, opening);
        },
        Qt::QueuedConnection);
}

void BlockWriter::run(QString path, QByteArray header)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        report(file.errorString(), true);
        return;
    }
    qint64 whole = 0; // the file's size at the end of the last whole row written
    const auto put = [&](const QByteArray &bytes) {
        errno = 0;
        if (file.write(bytes) == bytes.size())
            return true;
        // The system's own words: Qt does not always have them ("Unknown error").
        const int code = errno;
        const QString reason =
            code != 0 ? QString::fromLocal8Bit(std::strerror(code)) : file.errorString();
        file.resize(whole);
        file.close();
        report(reason, false);
        return false;
    };
    if (!header.isEmpty()) {
        if (!put(header))
            return;
        whole = file.size();
        m_bytes = whole;
    }
    // Rows in pieces: a disk that fills up keeps every whole one.
    const auto putRows = [&](const QByteArray &bytes, qint64 rows) {
        // Bytes are rows of their own; one row (an image) goes whole or not at all.
        const bool byteRows = rows == bytes.size();
        const int size = int(bytes.size());
        for (int from = 0; from < size;) {
            int to = rows == 1 ? size : qMin(size, from + pieceBytes);
            if (!byteRows && to < size) {
                const int end = bytes.lastIndexOf('\n', to - 1);
                const int next = end >= from ? end : bytes.indexOf('\n', to);
                to = next >= 0 ? next + 1 : size;
            }
            const QByteArray piece = QByteArray::fromRawData(bytes.constData() + from, to - from);
            if (!put(piece))
                return false;
            whole += piece.size();
            m_bytes = whole;
            m_rows += rows == 1 ? 1 : byteRows ? piece.size() : piece.count('\n');
            from = to;
        }
        return true;
    };
    auto lastFlush = std::chrono::steady_clock::now();
    bool dirty = false;
    for (;;) {
        Block block;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, flushInterval,
                            [this] { return !m_blocks.empty() || m_finishing || m_abandoned; });
            if (m_abandoned || (m_blocks.empty() && m_finishing))
                break;
            if (!m_blocks.empty()) {
                block = std::move(m_blocks.front());
                m_blocks.pop_front();
                m_waitingBytes -= block.heldBytes();
            }
        }
        if (block.source) {
            QVector<double> values;
            for (qint64 first = 0; first < block.rows; first += sourceBatchRows) {
                const qint64 count = qMin(sourceBatchRows, block.rows - first);
                values.resize(int(count * block.columns));
                block.source->fill(first, count, values.data());
                QByteArray bytes;
                bytes.reserve(int(count) * block.columns * 12);
                Csv::appendRows(bytes, values.constData(), count, block.columns, false);
                if (!putRows(bytes, count))
                    return;
            }
            dirty = true;
        } else if (block.rows > 0) {
            if (!block.values.isEmpty()) {
                block.bytes.reserve(int(block.rows) * block.columns * 12);
                Csv::appendRows(block.bytes, block.values.constData(), block.rows, block.columns,
                                block.firstIsSeconds);
            }
            if (!putRows(block.bytes, block.rows))
                return;
            dirty = true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (dirty && now - lastFlush >= flushInterval) {
#ifdef Q_OS_UNIX
            ::fdatasync(file.handle());
#endif
            lastFlush = now;
            dirty = false;
        }
    }
#ifdef Q_OS_UNIX
    ::fdatasync(file.handle());
#endif
    file.close();
    if (m_failed) // given up: it has said so
        return;
    QPointer<BlockWriter> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self)
                emit self->finished();
        },
        Qt::QueuedConnection);
}
