#ifndef CORVALE_RAWCAPTURE_H
#define CORVALE_RAWCAPTURE_H

#include "record/blockwriter.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

// Writes every byte received, exactly as received, to a file in the background: the chunks are
// gathered on the window's thread and handed to a BlockWriter in large blocks.
class RawCapture : public QObject
{
    Q_OBJECT

public:
    explicit RawCapture(QObject *parent = nullptr);
    ~RawCapture() override;

    void start(const QString &path);
    void addBytes(const QByteArray &bytes);
    void stop();
    void stopAndWait();

    bool isCapturing() const { return m_capturing; }
    QString path() const { return m_writer.path(); }
    qint64 bytesTaken() const { return m_taken; }
    qint64 bytesWritten() const { return m_writer.bytesWritten(); }

signals:
    void failed(const QString &reason, bool opening);

private:
    void handOver();

    BlockWriter m_writer;
    QTimer m_handOverTimer;
    bool m_capturing = false;
    QByteArray m_block;
    qint64 m_taken = 0;
};

#endif
