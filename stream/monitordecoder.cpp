#include "stream/monitordecoder.h"

namespace {

bool isContinuation(uchar c)
{
    return (c & 0xC0) == 0x80;
}

// Bytes of the sequence a lead byte starts; 1 for ASCII and for bytes that cannot lead.
int sequenceLength(uchar c)
{
    if ((c & 0xE0) == 0xC0)
        return 2;
    if ((c & 0xF0) == 0xE0)
        return 3;
    if ((c & 0xF8) == 0xF0)
        return 4;
    return 1;
}

} // namespace

QString MonitorDecoder::decode(const QByteArray &chunk)
{
    QByteArray bytes = m_pending.isEmpty() ? chunk : m_pending + chunk;
    m_pending.clear();

    // Look for the lead byte of the last sequence among the last three bytes.
    const int size = int(bytes.size());
    for (int i = size - 1; i >= 0 && i >= size - 3; --i) {
        const uchar c = static_cast<uchar>(bytes.at(i));
        if (isContinuation(c))
            continue;
        if (sequenceLength(c) > size - i) {
            m_pending = bytes.mid(i);
            bytes.truncate(i);
        }
        break;
    }

    // The byte count is explicit: a zero byte is text, not the end of it. A byte order mark at
    // the start of a chunk is text as well (Qt 5 would drop it), as it is anywhere else.
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.prepend(' ');
        text = QString::fromUtf8(bytes.constData(), int(bytes.size())).mid(1);
    } else {
        text = QString::fromUtf8(bytes.constData(), int(bytes.size()));
    }
    if (m_heldCR) {
        text.prepend(QLatin1Char('\r'));
        m_heldCR = false;
    }
    if (text.endsWith(QLatin1Char('\r'))) {
        text.chop(1);
        m_heldCR = true;
    }
    text.replace(QChar(0), QChar(ZeroPlaceholder));
    return text;
}

void MonitorDecoder::reset()
{
    m_pending.clear();
    m_heldCR = false;
}
