// Throughput of the data path: parsing alone, then lines through the shown main window.
// Run with QT_QPA_PLATFORM=offscreen; prints one figure per line.

#include "stream/linebuffer.h"
#include "stream/lineparser.h"
#include "testsupport.h"

#include <QElapsedTimer>

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

// Splits the text into chunks of about linesPerChunk lines.
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

void benchParser()
{
    const QByteArray text = makeLines(200000, 6, false);
    QElapsedTimer timer;
    timer.start();
    LineBuffer buffer;
    QVector<double> values;
    QByteArray line;
    int parsed = 0;
    for (const QByteArray &chunk : chunked(text, 64)) {
        buffer.append(chunk);
        while (buffer.takeLine(&line) == LineBuffer::Next::Line)
            parsed +=
                LineParser::parseSeries(line, 6, &values).status == LineParser::SeriesResult::Ok;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("parser, 6 channels:    %9.0f lines/s  %6.1f MB/s\n", parsed / seconds,
                text.size() / seconds / 1e6);
}

// With paint, the event loop runs after every chunk as it does between two reads, so the
// figure includes drawing the plot.
void benchWindow(const char *name, int channels, bool xy, int lines, int linesPerChunk,
                 bool mouseOver, bool paint)
{
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::printf("window not exposed\n");
    MainWindowProbe probe(window);
    chooseChannelCount(window, channels);
    if (xy)
        widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    if (mouseOver)
        moveMouseTo(window, xy ? 100 : 500, 500);
    const QList<QByteArray> chunks = chunked(makeLines(lines, channels, xy), linesPerChunk);

    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &chunk : chunks) {
        probe.feed(chunk);
        if (paint)
            QCoreApplication::processEvents();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-22s %9.0f lines/s  (%d lines, %d per chunk%s%s)\n", name, lines / seconds, lines,
                linesPerChunk, paint ? ", drawn after each" : "",
                mouseOver ? ", mouse over the plot" : "");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    configureApplication(app);
    initCorvaleResources();

    benchParser();
    benchWindow("window, 1 channel:", 1, false, 3000, 1, false, false);
    benchWindow("window, 1 channel:", 1, false, 20000, 100, false, false);
    benchWindow("window, 6 channels:", 6, false, 20000, 100, false, false);
    benchWindow("window, 6 channels:", 6, false, 20000, 100, false, true);
    benchWindow("window, 6 channels:", 6, false, 20000, 100, true, true);
    benchWindow("window, XY:", 1, true, 20000, 1, false, false);
    benchWindow("window, XY:", 1, true, 20000, 100, false, true);
    benchWindow("window, XY:", 1, true, 20000, 100, true, true);
    return 0;
}
