#ifndef CORVALE_LINESTREAM_H
#define CORVALE_LINESTREAM_H

#include "stream/linebuffer.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <utility>

// Where the lines of a LineStream go.
class LineSink
{
public:
    virtual void seriesLine(const QVector<double> &values) = 0;
    virtual void xyPoint(double x, double y) = 0;
    // A dropped line, with the status-bar text that says why.
    virtual void badLine(const QString &message) = 0;

protected:
    ~LineSink() = default;
};

// The way of received bytes to numbers in one mode: the chunks are assembled into CR LF lines
// and every complete line is parsed, and handed on or reported, in order.
class LineStream
{
public:
    enum class Mode { Series, XY };

    explicit LineStream(Mode mode, int maxLineLength = LineBuffer::MaxLineLength)
        : m_mode(mode), m_buffer(maxLineLength)
    {
    }

    // `channels` is the number of values a time-series line must carry.
    void feed(const QByteArray &chunk, int channels, LineSink *sink);
    void clear() { m_buffer.clear(); }
    // The unfinished line.
    QByteArray pending() const { return m_buffer.pending(); }
    // Lines dropped without a word (fewer fields than channels) since the last call.
    quint64 takeSkippedLines() { return std::exchange(m_skipped, 0); }

private:
    Mode m_mode;
    LineBuffer m_buffer;
    QVector<double> m_values; // reused for every line
    quint64 m_skipped = 0;
};

#endif
