#ifndef CORVALE_UTF8CHUNKDECODER_H
#define CORVALE_UTF8CHUNKDECODER_H

#include <QByteArray>
#include <QString>

// Decodes UTF-8 text that arrives in arbitrary chunks. A multi-byte character cut by a chunk
// boundary is held back until the rest arrives, instead of being shown as two replacement
// characters. Bytes that are really invalid still decode as replacement characters.
class Utf8ChunkDecoder
{
public:
    QString decode(const QByteArray &chunk);
    void reset() { m_pending.clear(); }
    bool hasPending() const { return !m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};

#endif
