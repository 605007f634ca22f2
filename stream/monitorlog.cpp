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

    for (QTextBlock block = m_document->findBlockByNumber(firstBlock); block.isValid();
         block = block.next()) {
        const int excess = block.length() - 1 - m_limits.lineLength;
        if (excess > 0) {
            QTextCursor head(block);
            head.setPosition(block.position() + excess, QTextCursor::KeepAnchor);
            head.removeSelectedText();
        }
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
}
