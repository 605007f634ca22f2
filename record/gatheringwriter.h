#ifndef CORVALE_GATHERINGWRITER_H
#define CORVALE_GATHERINGWRITER_H

#include "record/blockwriter.h"

#include <QObject>
#include <QTimer>

// A file that grows with what arrives: gathered on the window's thread at the cost of a copy,
// and handed to a BlockWriter in blocks (and at least four times a second), which writes it in
// the background.
class GatheringWriter : public QObject
{
    Q_OBJECT

public:
    bool isActive() const { return m_active; }
    QString path() const { return m_writer.path(); }
    // What is in the file so far.
    qint64 bytesWritten() const { return m_writer.bytesWritten(); }
    qint64 rowsWritten() const { return m_writer.rowsWritten(); }

    // What is gathered goes to the file, which is closed in the background.
    void stop();
    // The same, waiting for the file to be complete (the program is ending).
    void stopAndWait();

signals:
    // The file could not be created, or a write failed (then the rows before it are in the
    // file): the writing has stopped, with the system's reason.
    void failed(const QString &reason, bool opening);

protected:
    explicit GatheringWriter(QObject *parent);

    // Any file before is completed first.
    void begin(const QString &path, const QByteArray &header);
    // Gives what is gathered to m_writer, if anything.
    virtual void handOver() = 0;
    // Forgets what is gathered.
    virtual void drop() = 0;

    BlockWriter m_writer;

private:
    QTimer m_handOverTimer;
    bool m_active = false;
};

#endif
