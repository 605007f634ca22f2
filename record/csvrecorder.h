#ifndef CORVALE_CSVRECORDER_H
#define CORVALE_CSVRECORDER_H

#include "record/blockwriter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

// Records every accepted line as a CSV row: the seconds since the recording started, then the
// values as plotted. Rows are collected on the window's thread at the cost of a copy of their
// numbers, and handed to a BlockWriter in blocks (and at least four times a second), which
// formats and writes them in the background.
class CsvRecorder : public QObject
{
    Q_OBJECT

public:
    explicit CsvRecorder(QObject *parent = nullptr);
    ~CsvRecorder() override;

    // `columns` are the value columns; the file's first row is `time_s` and them.
    void start(const QString &path, const QStringList &columns);
    // One row; `count` values past the columns are left out, missing ones written as 0.
    void addRow(double seconds, const double *values, int count);
    // The rows so far go to the file, which is closed in the background.
    void stop();
    // The same, waiting for the file to be complete (the program is ending).
    void stopAndWait();

    bool isRecording() const { return m_recording; }
    QString path() const { return m_writer.path(); }
    // Rows taken so far (written or on their way), and the bytes in the file.
    qint64 rows() const { return m_rowsTaken; }
    qint64 bytesWritten() const { return m_writer.bytesWritten(); }
    qint64 rowsWritten() const { return m_writer.rowsWritten(); }

signals:
    // The file could not be created, or a write failed (then the rows before it are in the
    // file): the recording has stopped, with the system's reason.
    void failed(const QString &reason, bool opening);

private:
    void handOver();

    BlockWriter m_writer;
    QTimer m_handOverTimer;
    bool m_recording = false;
    int m_columns = 0;
    QVector<double> m_block;
    qint64 m_blockRows = 0;
    qint64 m_rowsTaken = 0;
};

#endif
