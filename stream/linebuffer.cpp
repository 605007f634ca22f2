#include "stream/linebuffer.h"

#include <cstring>

namespace {

// Offset of the first CR LF that starts at or after `from`, or -1. memchr finds the LF far faster
// than a general substring search.
int findTerminator(const QByteArray &bytes, int from)
{
    const char *begin = bytes.constData();
    const char *end = begin + bytes.size();
    for (const char *p = begin + from + 1; p < end; ++p) {
        p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!p)
            return -1;
        if (p[-1] == '\r')
            return int(p - 1 - begin);
    }
    return -1;
}

} // namespace

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

LineBuffer::Next LineBuffer::takeLine(const char **data, int *size)
{
    for (;;) {
        const int end = findTerminator(m_bytes, m_searchFrom);
        if (end < 0) {
            // A trailing CR may still be the first half of a terminator.
            const int total = m_bytes.size();
            const int unfinished = total - m_pos - (m_bytes.endsWith('\r') ? 1 : 0);
            m_searchFrom = qMax(m_pos, total - 1);
            if (m_dropping || unfinished > m_maxLineLength) {
                const bool report = !m_dropping;
                m_dropping = true;
                m_pos = total - (m_bytes.endsWith('\r') ? 1 : 0);
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
        if (length > m_maxLineLength)
            return Next::Overlong;
        *data = m_bytes.constData() + start;
        *size = length;
        return Next::Line;
    }
}

LineBuffer::Next LineBuffer::takeLine(QByteArray *line)
{
    const char *data = nullptr;
    int size = 0;
    const Next next = takeLine(&data, &size);
    if (next == Next::Line)
        *line = QByteArray(data, size);
    return next;
}

void LineBuffer::clear()
{
    m_bytes.clear();
    m_pos = 0;
    m_searchFrom = 0;
    m_dropping = false;
}
