#include "record/rawcapture.h"

namespace {

// Bytes handed to the writer together, at the latest.
constexpr int blockBytes = 1 << 20;

} // namespace

void RawCapture::start(const QString &path)
{
    begin(path, QByteArray());
    m_taken = 0;
}

void RawCapture::addBytes(const QByteArray &bytes)
{
    if (!isActive())
        return;
    m_block += bytes;
    m_taken += bytes.size();
    if (m_block.size() >= blockBytes)
        handOver();
}

// Bytes have no rows: every byte is a whole one.
void RawCapture::handOver()
{
    if (m_block.isEmpty())
        return;
    const qint64 size = m_block.size();
    m_writer.write(std::move(m_block), size);
    m_block = QByteArray();
}
