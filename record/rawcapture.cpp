#include "record/rawcapture.h"

namespace {

constexpr int blockBytes = 1 << 20;
constexpr int handOverMs = 250;

} // namespace

RawCapture::RawCapture(QObject *parent) : QObject(parent)
{
    m_handOverTimer.setInterval(handOverMs);
    connect(&m_handOverTimer, &QTimer::timeout, this, &RawCapture::handOver);
    connect(&m_writer, &BlockWriter::failed, this, [this](const QString &reason, bool opening) {
        m_capturing = false;
        m_handOverTimer.stop();
        m_block.clear();
        emit failed(reason, opening);
    });
}

RawCapture::~RawCapture()
{
    stopAndWait();
}

void RawCapture::start(const QString &path)
{
    stopAndWait();
    m_taken = 0;
    m_block.clear();
    m_writer.start(path);
    m_capturing = true;
    m_handOverTimer.start();
}

void RawCapture::addBytes(const QByteArray &bytes)
{
    if (!m_capturing)
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

void RawCapture::stop()
{
    if (!m_capturing)
        return;
    handOver();
    m_capturing = false;
    m_handOverTimer.stop();
    m_writer.finish();
}

void RawCapture::stopAndWait()
{
    stop();
    m_writer.finishAndWait();
}
