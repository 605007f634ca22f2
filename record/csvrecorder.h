#ifndef CORVALE_CSVRECORDER_H
#define CORVALE_CSVRECORDER_H

#include "record/gatheringwriter.h"

#include <QStringList>
#include <QVector>

// Records every accepted line as a CSV row: the seconds since the recording started, then the
// values as plotted. The writer formats the rows.
class CsvRecorder : public GatheringWriter
{
public:
    explicit CsvRecorder(QObject *parent = nullptr) : GatheringWriter(parent) {}
    ~CsvRecorder() override { stopAndWait(); }

    // `columns` are the value columns; the file's first row is `time_s` and them.
    void start(const QString &path, const QStringList &columns);
    // One row; `count` values past the columns are left out, missing ones written as 0.
    void addRow(double seconds, const double *values, int count);

    // Rows taken so far (written or on their way).
    qint64 rows() const { return m_rowsTaken; }

private:
    void handOver() override;
    void drop() override;

    int m_columns = 0;
    QVector<double> m_block;
    qint64 m_blockRows = 0;
    qint64 m_rowsTaken = 0;
};

#endif
