#ifndef CORVALE_MONITORLOG_H
#define CORVALE_MONITORLOG_H

#include "stream/monitordecoder.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// How much the monitor keeps: the newest lines, and of a longer line its newest characters;
// and how much one flush appends at most, in characters or in lines, whichever comes first.
struct MonitorLimits
{
    int lines = 100000;
    int lineLength = 10000;
    int characters = 4000000;
    int flushCharacters = 64 * 1024;
    int flushLines = 2048;
};

// The monitor's text: the received chunks, decoded, appended at the end of a document and kept
// within bounds. Laying out a line costs time in proportion to its length, so text without
// line ends would otherwise make every chunk cost more than the last, and the memory grow
// without end. The newest lines and characters stay.
class MonitorLog
{
public:
    explicit MonitorLog(const MonitorLimits &limits = MonitorLimits()) : m_limits(limits) {}
    // The document the text goes to; its line limit is set here.
    void setDocument(QTextDocument *document);

    // Collects a chunk; nothing reaches the document before flush().
    void receive(const QByteArray &chunk);
    // Holds as much as one flush should append: laying out text costs far more than decoding
    // it, so a backlog is taken in pieces of this size, one per frame.
    bool isFlushFull() const
    {
        return m_pending.size() >= m_limits.flushCharacters ||
               m_pendingLines >= m_limits.flushLines;
    }
    // Appends what was collected in one insert, whatever cursor or selection the document's
    // view has. False if there was nothing to append.
    bool flush();
    // Forgets what was collected and the bytes held back; the document is not touched.
    void reset();

private:
    QTextDocument *m_document = nullptr;
    MonitorLimits m_limits;
    MonitorDecoder m_decoder;
    QString m_pending;
    int m_pendingLines = 0; // line ends in m_pending
};

#endif
