#ifndef CORVALE_RAWCAPTURE_H
#define CORVALE_RAWCAPTURE_H

#include "record/gatheringwriter.h"

#include <QByteArray>

// Writes every byte received, exactly as received.
class RawCapture : public GatheringWriter
{
public:
    explicit RawCapture(QObject *parent = nullptr) : GatheringWriter(parent) {}
    ~RawCapture() override { stopAndWait(); }

    void start(const QString &path);
    void addBytes(const QByteArray &bytes);

    // Bytes taken so far (written or on their way).
    qint64 bytesTaken() const { return m_taken; }

private:
    void handOver() override;
    void drop() override { m_block.clear(); }

    QByteArray m_block;
    qint64 m_taken = 0;
};

#endif
