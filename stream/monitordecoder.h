#ifndef CORVALE_MONITORDECODER_H
#define CORVALE_MONITORDECODER_H

#include <QByteArray>
#include <QString>

// Turns received chunks into the text the monitor shows, so that the text is the same however
// the bytes were cut into chunks:
// - a multi-byte UTF-8 character cut by a chunk boundary is held back until the rest arrives
//   (bytes that are really invalid still decode as replacement characters);
// - a CR at the end of a chunk is held back too, since an LF at the start of the next one makes
//   it one line end, not two;
// - a zero byte shows as the placeholder U+2400 instead of ending the text;
// - a byte order mark is kept wherever it is, also at the start of a chunk.
class MonitorDecoder
{
public:
    static constexpr ushort ZeroPlaceholder = 0x2400;

    QString decode(const QByteArray &chunk);
    void reset();
    bool hasPending() const { return !m_pending.isEmpty() || m_heldCR; }

private:
    QByteArray m_pending;
    bool m_heldCR = false;
};

#endif
