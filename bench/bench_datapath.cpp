// Throughput of line assembly and parsing alone, without a window: the part of the data path
// that every received byte goes through. bench_flood measures the whole window.

#include "stream/linebuffer.h"
#include "stream/lineparser.h"

#include <QElapsedTimer>
#include <QList>

#include <cmath>
#include <cstdio>

namespace {

QByteArray makeLines(int count, int channels, bool xy)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        if (xy) {
            text += QByteArray::number(800 * std::sin(i * 0.0105), 'f', 2) + ' ' +
                    QByteArray::number(800 * std::sin(i * 0.0157), 'f', 2);
        } else {
            for (int k = 0; k < channels; ++k) {
                if (k)
                    text += ' ';
                text += QByteArray::number(500 + 400 * std::sin(i * 0.01 * (k + 1)), 'f', 2);
            }
        }
        text += "\r\n";
    }
    return text;
}

// Splits the text into chunks of about linesPerChunk lines, as datagrams would.
QList<QByteArray> chunked(const QByteArray &text, int linesPerChunk)
{
    QList<QByteArray> chunks;
    int start = 0;
    int lines = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == '\r' && text.at(i + 1) == '\n' && ++lines == linesPerChunk) {
            chunks << text.mid(start, i + 2 - start);
            start = i + 2;
            lines = 0;
        }
    }
    if (start < text.size())
        chunks << text.mid(start);
    return chunks;
}

void bench(const char *name, int channels, bool xy)
{
    const QList<QByteArray> chunks = chunked(makeLines(200000, channels, xy), 10);
    qint64 bytes = 0;
    for (const QByteArray &chunk : chunks)
        bytes += chunk.size();
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        LineBuffer buffer;
        QVector<double> values;
        const char *line = nullptr;
        int size = 0;
        int parsed = 0;
        for (const QByteArray &chunk : chunks) {
            buffer.append(chunk);
            while (buffer.takeLine(&line, &size) == LineBuffer::Next::Line) {
                double x = 0;
                double y = 0;
                parsed +=
                    xy ? LineParser::parseXY(line, size, &x, &y).status == LineParser::XYResult::Ok
                       : LineParser::parseSeries(line, size, channels, &values).status ==
                             LineParser::SeriesResult::Ok;
            }
        }
        best = qMax(best, parsed / (timer.nsecsElapsed() / 1e9));
    }
    std::printf("%-24s %9.0f lines/s  %6.1f MB/s\n", name, best,
                best * double(bytes) / 200000 / 1e6);
}

} // namespace

int main()
{
    bench("parser, 6 channels:", 6, false);
    bench("parser, 1 channel:", 1, false);
    bench("parser, XY:", 1, true);
    return 0;
}
