#include "record/gatheringwriter.h"

namespace {

constexpr int handOverMs = 250;

} // namespace

GatheringWriter::GatheringWriter(QObject *parent) : QObject(parent)
{
    m_handOverTimer.setInterval(handOverMs);
    connect(&m_handOverTimer, &QTimer::timeout, this, [this] { handOver(); });
    connect(&m_writer, &BlockWriter::failed, this, [this](const QString &reason, bool opening) {
        m_active = false;
        m_handOverTimer.stop();
        drop();
        emit failed(reason, opening);
    });
}

void GatheringWriter::begin(const QString &path, const QByteArray &header)
{
    stopAndWait();
    drop();
    m_writer.start(path, header);
    m_active = true;
    m_handOverTimer.start();
}

void GatheringWriter::stop()
{
    if (!m_active)
        return;
    handOver();
    m_active = false;
    m_handOverTimer.stop();
    m_writer.finish();
}

void GatheringWriter::stopAndWait()
{
    stop();
    m_writer.finishAndWait();
}
