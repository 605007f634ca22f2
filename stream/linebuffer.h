#ifndef CORVALE_LINEBUFFER_H
#define CORVALE_LINEBUFFER_H

#include <QByteArray>

// Collects received bytes and hands out complete CR LF terminated lines. Chunk boundaries have
// no relation to line boundaries, so a line (or its terminator) may arrive in pieces.
//
// A line may be at most MaxLineLength bytes long (unless told otherwise). A device that never
// sends CR LF would otherwise grow the buffer without limit; a longer line is dropped whole, up
// to and including its CR LF, so that no fragment of it is ever taken for a line of its own.
class LineBuffer
{
public:
    static constexpr int MaxLineLength = 65536;

    explicit LineBuffer(int maxLineLength = MaxLineLength) : m_maxLineLength(maxLineLength) {}
    int maxLineLength() const { return m_maxLineLength; }

    enum class Next {
        None,    // no complete line buffered
        Line,    // a line was taken
        Overlong // a line longer than MaxLineLength was dropped (reported once per line)
    };

    void append(const QByteArray &chunk);
    // The line is handed out in place, without its CR LF: valid until the next append or clear.
    Next takeLine(const char **data, int *size);
    Next takeLine(QByteArray *line);
    void clear();

    bool isEmpty() const { return m_bytes.size() == m_pos && !m_dropping; }
    // The unfinished line as it stands (without the dropped part of an overlong one).
    QByteArray pending() const { return m_bytes.mid(m_pos); }

private:
    int m_maxLineLength;
    QByteArray m_bytes;
    int m_pos = 0;        // start of the first unconsumed byte
    int m_searchFrom = 0; // no CR LF starts before this offset
    bool m_dropping = false;
};

#endif
