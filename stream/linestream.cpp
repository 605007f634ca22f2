#include "stream/linestream.h"

#include "stream/lineparser.h"

void LineStream::feed(const QByteArray &chunk, int channels, LineSink *sink)
{
    m_buffer.append(chunk);
    const char *line = nullptr;
    int size = 0;
    for (;;) {
        const LineBuffer::Next next = m_buffer.takeLine(&line, &size);
        if (next == LineBuffer::Next::None)
            return;
        if (next == LineBuffer::Next::Overlong) {
            sink->badLine(LineParser::overlongLineMessage(m_buffer.maxLineLength()));
            continue;
        }
        if (m_mode == Mode::Series) {
            const LineParser::SeriesResult result =
                LineParser::parseSeries(line, size, channels, &m_values);
            if (result.status == LineParser::SeriesResult::BadField)
                sink->badLine(LineParser::badChannelMessage(result.badField));
            else if (result.status == LineParser::SeriesResult::Ok)
                sink->seriesLine(m_values);
            else
                ++m_skipped;
        } else {
            double x = 0;
            double y = 0;
            const LineParser::XYResult result = LineParser::parseXY(line, size, &x, &y);
            // A short line is dropped like any other bad line. Flushing the port here as well
            // would throw away the good lines the device sent after it.
            if (result.status == LineParser::XYResult::TooFewFields)
                sink->badLine(LineParser::tooFewXYFieldsMessage(result.fieldCount));
            else if (result.status == LineParser::XYResult::BadNumber)
                sink->badLine(LineParser::badXYNumberMessage());
            else
                sink->xyPoint(x, y);
        }
    }
}
