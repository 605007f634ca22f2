#include "stream/monitorlog.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

void MonitorLog::setDocument(QTextDocument *document)
{
    m_document = document;
    // This also ends the undo history, which would keep everything ever received.
    m_document->setMaximumBlockCount(m_limits.lines);
}

namespace {

// Line ends as the document counts them: CR LF, LF, or a CR of its own.
int lineEnds(const QString &text)
{
    int count = 0;
    const QChar *c = text.constData();
    const QChar *end = c + text.size();
    for (; c != end; ++c) {
        if (*c == QLatin1Char('\n') ||
            (*c == QLatin1Char('\r') && (c + 1 == end || c[1] != QLatin1Char('\n'))))
            ++count;
    }
    return count;
}

} // namespace

void MonitorLog::receive(const QByteArray &chunk)
{
    const QString text = m_decoder.decode(chunk);
    m_pendingLines += lineEnds(text);
    m_pending += text;
}

bool MonitorLog::flush()
{
    if (m_pending.isEmpty() || !m_document)
        return false;
    // A cursor of its own: received text always goes at the end, and the view's cursor and
    // selection stay where the user put them.
    QTextCursor end(m_document);
    end.beginEditBlock(); // laid out once, after the trimming
    end.movePosition(QTextCursor::End);
    const int firstBlock = end.blockNumber();
    end.insertText(m_pending);
    m_pending.clear();
    m_pendingLines = 0;

    for (QTextBlock block = m_document->findBlockByNumber(firstBlock); block.isValid();
         block = block.next()) {
        const int excess = block.length() - 1 - m_limits.lineLength;
        if (excess > 0) {
            QTextCursor head(block);
            head.setPosition(block.position() + excess, QTextCursor::KeepAnchor);
            head.removeSelectedText();
        }
    }
    // The oldest lines beyond the limit go in one piece: the document would take them one
    // line at a time, and rebuild its text each time.
    const int extraLines = m_document->blockCount() - m_limits.lines;
    if (extraLines > 0) {
        QTextCursor head(m_document);
        head.setPosition(m_document->findBlockByNumber(extraLines).position(),
                         QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    const int excess = m_document->characterCount() - m_limits.characters;
    if (excess > 0) {
        // As few whole lines as will do go, from the oldest on: up to the end of the line that
        // holds the last character too many.
        const QTextBlock last = m_document->findBlock(excess - 1);
        QTextCursor head(m_document);
        head.setPosition(last.next().isValid() ? last.next().position()
                                               : last.position() + last.length() - 1,
                         QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    end.endEditBlock();
    return true;
}

void MonitorLog::reset()
{
    m_decoder.reset();
    m_pending.clear();
    m_pendingLines = 0;
}
