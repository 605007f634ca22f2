#include "stream/linebuffer.h"

void LineBuffer::append(const QByteArray &chunk)
{
    if (chunk.isEmpty())
        return;
    // Consumed lines are only forgotten here, so that taking many lines from one chunk does not
    // move the rest of the buffer once per line.
    if (m_pos > 0) {
        m_bytes.remove(0, m_pos);
        m_searchFrom -= m_pos;
        m_pos = 0;
    }
    m_bytes.append(chunk);
}

LineBuffer::Next LineBuffer::takeLine(QByteArray *line)
{
    for (;;) {
        const int end = m_bytes.indexOf("\r\n", m_searchFrom);
        if (end < 0) {
            // A trailing CR may still be the first half of a terminator.
            const int size = m_bytes.size();
            const int unfinished = size - m_pos - (m_bytes.endsWith('\r') ? 1 : 0);
            m_searchFrom = qMax(m_pos, size - 1);
            if (m_dropping || unfinished > MaxLineLength) {
                const bool report = !m_dropping;
                m_dropping = true;
                m_pos = size - (m_bytes.endsWith('\r') ? 1 : 0);
                m_searchFrom = m_pos;
                return report ? Next::Overlong : Next::None;
            }
            return Next::None;
        }

        const int length = end - m_pos;
        const bool wasDropping = m_dropping;
        m_dropping = false;
        const int start = m_pos;
        m_pos = end + 2;
        m_searchFrom = m_pos;
        if (wasDropping)
            continue; // the tail of a line already reported
        if (length > MaxLineLength)
            return Next::Overlong;
        *line = m_bytes.mid(start, length);
        return Next::Line;
    }
}

void LineBuffer::clear()
{
    m_bytes.clear();
    m_pos = 0;
    m_searchFrom = 0;
    m_dropping = false;
}
