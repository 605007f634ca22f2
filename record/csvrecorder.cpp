#include "record/csvrecorder.h"

#include "record/csvformat.h"

namespace {

// Rows handed to the writer together; a block is also handed over this often.
constexpr qint64 blockRows = 8192;
constexpr int handOverMs = 250;

} // namespace

CsvRecorder::CsvRecorder(QObject *parent) : QObject(parent)
{
    m_handOverTimer.setInterval(handOverMs);
    connect(&m_handOverTimer, &QTimer::timeout, this, &CsvRecorder::handOver);
    connect(&m_writer, &BlockWriter::failed, this, [this](const QString &reason, bool opening) {
        m_recording = false;
        m_handOverTimer.stop();
        m_block.clear();
        m_blockRows = 0;
        emit failed(reason, opening);
    });
}

CsvRecorder::~CsvRecorder()
{
    stopAndWait();
}

void CsvRecorder::start(const QString &path, const QStringList &columns)
{
    stopAndWait();
    m_columns = int(columns.size());
    m_rowsTaken = 0;
    m_block.clear();
    m_blockRows = 0;
    m_writer.start(path, Csv::headerRow(QStringList{QStringLiteral("time_s")} + columns));
    m_recording = true;
    m_handOverTimer.start();
}

void CsvRecorder::addRow(double seconds, const double *values, int count)
{
    if (!m_recording)
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

void CsvRecorder::stop()
{
    if (!m_recording)
        return;
    handOver();
    m_recording = false;
    m_handOverTimer.stop();
    m_writer.finish();
}

void CsvRecorder::stopAndWait()
{
    stop();
    m_writer.finishAndWait();
}
