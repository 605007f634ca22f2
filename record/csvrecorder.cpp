#include "record/csvrecorder.h"

#include "record/csvformat.h"

namespace {

// Rows handed to the writer together, at the latest.
constexpr qint64 blockRows = 8192;

} // namespace

void CsvRecorder::start(const QString &path, const QStringList &columns)
{
    begin(path, Csv::headerRow(QStringList{QStringLiteral("time_s")} + columns));
    m_columns = int(columns.size());
    m_rowsTaken = 0;
}

void CsvRecorder::addRow(double seconds, const double *values, int count)
{
    if (!isActive())
        return;
    m_block.append(seconds);
    for (int c = 0; c < m_columns; ++c)
        m_block.append(c < count ? values[c] : 0.0);
    ++m_rowsTaken;
    if (++m_blockRows >= blockRows)
        handOver();
}

void CsvRecorder::handOver()
{
    if (m_blockRows == 0)
        return;
    m_writer.write(std::move(m_block), m_blockRows, m_columns + 1, true);
    m_block = QVector<double>();
    m_block.reserve(int(blockRows) * (m_columns + 1));
    m_blockRows = 0;
}

void CsvRecorder::drop()
{
    m_block.clear();
    m_blockRows = 0;
}
