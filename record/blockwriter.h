#ifndef CORVALE_BLOCKWRITER_H
#define CORVALE_BLOCKWRITER_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class ExportRows;

// Writes a file on a thread of its own, so that neither the window nor the thread that drains a
// link ever waits for a disk: a slow or sleeping USB stick delays the file, not the plot. Even
// the file is opened there.
//
// What it is handed are blocks of whole rows (of bytes, or of numbers it formats as CSV rows
// itself). A block is written in pieces of whole rows; if a write fails (a full disk, a removed
// stick), the file is cut back to the end of the last piece written whole, so that it ends with
// a whole row and keeps every row that fit, and the writer stops, saying why. It flushes to the
// disk twice a second: at most the last half second is lost should the machine lose power.
class BlockWriter : public QObject
{
    Q_OBJECT

public:
    explicit BlockWriter(QObject *parent = nullptr);
    // Waits for what was handed over to be written.
    ~BlockWriter() override;

    // Starts writing to `path` (created anew), `header` first. Returns at once.
    void start(const QString &path, const QByteArray &header = QByteArray());
    // A block of whole rows.
    void write(QByteArray bytes, qint64 rows);
    // `rows` rows of `columns` numbers each, formatted on the writer's thread (the first column
    // as seconds where asked).
    void write(QVector<double> values, qint64 rows, int columns, bool firstIsSeconds);
    // Rows read and formatted on the writer's thread, a batch at a time.
    void write(std::shared_ptr<const ExportRows> rows);
    // Writes what is left, closes the file and ends the thread, in the background.
    void finish();
    // The same, and waits for it.
    void finishAndWait();

    bool isActive() const { return m_thread.joinable() && !m_failed; }
    QString path() const { return m_path; }
    // What is in the file so far, rows and bytes, the header's bytes included.
    qint64 rowsWritten() const { return m_rows; }
    qint64 bytesWritten() const { return m_bytes; }

signals:
    // The file could not be created, or a write failed; the writer has stopped. `reason` is the
    // system's text.
    void failed(const QString &reason, bool opening);
    // Everything handed over is written and the file closed.
    void finished();

private:
    struct Block
    {
        QByteArray bytes;
        QVector<double> values;
        std::shared_ptr<const ExportRows> source;
        qint64 rows = 0;
        int columns = 0;
        bool firstIsSeconds = false;
        qint64 heldBytes() const
        {
            return bytes.size() + qint64(values.size()) * qint64(sizeof(double));
        }
    };
    void run(QString path, QByteArray header);
    void push(Block block);
    void report(const QString &reason, bool opening);
    void join();

    QString m_path;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Block> m_blocks;
    qint64 m_waitingBytes = 0; // handed over, not yet written
    bool m_finishing = false;
    bool m_abandoned = false; // what is waiting is not written
    std::atomic<bool> m_failed{false};
    std::atomic<qint64> m_rows{0};
    std::atomic<qint64> m_bytes{0};
};

#endif
