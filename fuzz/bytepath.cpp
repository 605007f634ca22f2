#include "bytepath.h"

#include "plotting/pointstore.h"
#include "stream/lineparser.h"
#include "stream/linestream.h"
#include "stream/monitordecoder.h"
#include "stream/monitorlog.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Values are compared bit for bit, so that -0 and 0 differ.
QString bits(double value)
{
    quint64 pattern = 0;
    std::memcpy(&pattern, &value, sizeof pattern);
    return QString::number(pattern, 16);
}

// Everything a stream hands on, in order, as text.
class Recorder final : public LineSink
{
public:
    explicit Recorder(PointStore *points) : m_points(points) {}

    void seriesLine(const QVector<double> &values) override
    {
        QString event = QStringLiteral("S");
        for (double v : values)
            event += QLatin1Char(' ') + bits(v);
        events << event;
    }
    void xyPoint(double x, double y) override
    {
        events << QStringLiteral("P %1 %2").arg(bits(x), bits(y));
        m_points->append(x, y);
    }
    void badLine(const QString &message) override { events << QStringLiteral("E ") + message; }

    QStringList events;

private:
    PointStore *m_points;
};

bool referenceNumber(const QString &field, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// What the lines of the whole input must give, found the plain way: each CR LF line decoded as
// UTF-8 and split as text.
QStringList referenceEvents(const QByteArray &bytes, bool xy, int channels, int cap)
{
    QStringList events;
    int pos = 0;
    for (;;) {
        const int end = int(bytes.indexOf("\r\n", pos));
        if (end < 0)
            break;
        const QByteArray line = bytes.mid(pos, end - pos);
        pos = end + 2;
        if (line.size() > cap) {
            events << QStringLiteral("E ") + LineParser::overlongLineMessage(cap);
            continue;
        }
        const QStringList fields = QString::fromUtf8(line.constData(), int(line.size()))
                                       .split(QLatin1Char(' '), Qt::KeepEmptyParts);
        if (xy) {
            double x = 0;
            double y = 0;
            const bool xOk = fields.size() >= 2 && referenceNumber(fields.at(0), &x);
            const bool yOk = fields.size() >= 2 && referenceNumber(fields.at(1), &y);
            if (fields.size() < 2) {
                events << QStringLiteral("E ") + LineParser::tooFewXYFieldsMessage(fields.size());
            } else if (!xOk || !yOk) {
                events << QStringLiteral("E ") + LineParser::badXYNumberMessage();
            } else {
                events << QStringLiteral("P %1 %2").arg(bits(x), bits(y));
            }
            continue;
        }
        if (fields.size() < channels)
            continue;
        QString event = QStringLiteral("S");
        for (int i = 0; i < channels && !event.isEmpty(); ++i) {
            double v = 0;
            if (referenceNumber(fields.at(i), &v))
                event += QLatin1Char(' ') + bits(v);
            else {
                events << QStringLiteral("E ") + LineParser::badChannelMessage(i);
                event.clear();
            }
        }
        if (!event.isEmpty())
            events << event;
    }
    // A line that has already outgrown the cap is reported before its end arrives.
    const QByteArray tail = bytes.mid(pos);
    if (tail.size() - (tail.endsWith('\r') ? 1 : 0) > cap)
        events << QStringLiteral("E ") + LineParser::overlongLineMessage(cap);
    return events;
}

QString checkLines(const QByteArray &bytes, const QVector<int> &cuts, bool xy, int channels,
                   int cap)
{
    const LineStream::Mode mode = xy ? LineStream::Mode::XY : LineStream::Mode::Series;
    PointStore wholePoints(8);
    PointStore splitPoints(8);
    Recorder whole(&wholePoints);
    Recorder split(&splitPoints);
    LineStream wholeStream(mode, cap);
    LineStream splitStream(mode, cap);

    wholeStream.feed(bytes, channels, &whole);
    int from = 0;
    for (int cut : cuts) {
        splitStream.feed(bytes.mid(from, cut - from), channels, &split);
        from = cut;
        if (splitStream.pending().size() > cap + 1)
            return QStringLiteral("an unfinished line outgrew the cap");
    }
    splitStream.feed(bytes.mid(from), channels, &split);

    if (whole.events != split.events)
        return QStringLiteral("whole and cut differ:\n%1\n---\n%2")
            .arg(whole.events.join(QLatin1Char('\n')), split.events.join(QLatin1Char('\n')));
    if (wholeStream.pending() != splitStream.pending())
        return QStringLiteral("the unfinished lines differ");
    const QStringList reference = referenceEvents(bytes, xy, channels, cap);
    if (whole.events != reference)
        return QStringLiteral("the stream and the reference differ:\n%1\n---\n%2")
            .arg(whole.events.join(QLatin1Char('\n')), reference.join(QLatin1Char('\n')));
    if (wholePoints.size() > wholePoints.capacity())
        return QStringLiteral("the XY points outgrew their cap");
    for (int i = 0; i < wholePoints.size(); ++i) {
        if (wholePoints.at(i) != splitPoints.at(i))
            return QStringLiteral("the XY points differ");
    }
    return QString();
}

QString checkMonitor(const QByteArray &bytes, const QVector<int> &cuts)
{
    MonitorDecoder wholeDecoder;
    const QString wholeText = wholeDecoder.decode(bytes);
    MonitorDecoder splitDecoder;
    QString splitText;
    int from = 0;
    for (int cut : cuts) {
        splitText += splitDecoder.decode(bytes.mid(from, cut - from));
        from = cut;
    }
    splitText += splitDecoder.decode(bytes.mid(from));
    if (wholeText != splitText)
        return QStringLiteral("the monitor text differs for whole and cut input");
    if (!wholeDecoder.hasPending()) {
        // A leading space keeps Qt 5 from dropping a byte order mark at the start.
        const QByteArray spaced = ' ' + bytes;
        const QString reference = QString::fromUtf8(spaced.constData(), int(spaced.size()))
                                      .mid(1)
                                      .replace(QChar(0), QChar(MonitorDecoder::ZeroPlaceholder));
        if (wholeText != reference)
            return QStringLiteral("the monitor text differs from a plain decoding");
    }

    // Small limits, so that short inputs reach them.
    MonitorLimits limits;
    limits.lines = 5;
    limits.lineLength = 12;
    limits.characters = 40;
    QTextDocument wholeDocument;
    QTextDocument splitDocument;
    MonitorLog wholeLog(limits);
    MonitorLog splitLog(limits);
    wholeLog.setDocument(&wholeDocument);
    splitLog.setDocument(&splitDocument);
    wholeLog.receive(bytes);
    wholeLog.flush();
    from = 0;
    for (int cut : cuts) {
        splitLog.receive(bytes.mid(from, cut - from));
        splitLog.flush();
        from = cut;
    }
    splitLog.receive(bytes.mid(from));
    splitLog.flush();
    if (wholeDocument.toPlainText() != splitDocument.toPlainText())
        return QStringLiteral("the monitor shows whole and cut input differently:\n%1\n---\n%2")
            .arg(wholeDocument.toPlainText(), splitDocument.toPlainText());
    if (wholeDocument.blockCount() > limits.lines ||
        wholeDocument.characterCount() > limits.characters)
        return QStringLiteral("the monitor outgrew its limits");
    for (QTextBlock block = wholeDocument.begin(); block.isValid(); block = block.next()) {
        if (block.length() - 1 > limits.lineLength)
            return QStringLiteral("a monitor line outgrew its limit");
    }
    return QString();
}

} // namespace

QString checkBytePath(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return QString();
    const int mode = data[0] & 3;
    const int channels = (data[0] >> 2) % 8 % 6 + 1;
    const int cap = (data[0] & 0x80) ? 20 : LineBuffer::MaxLineLength;
    const int cutCount = data[1] & 15;
    std::size_t pos = 2;
    QVector<int> offsets;
    for (int i = 0; i < cutCount && pos + 1 < size; ++i, pos += 2)
        offsets << (data[pos] | data[pos + 1] << 8);
    const QByteArray bytes(reinterpret_cast<const char *>(data + pos), int(size - pos));
    QVector<int> cuts;
    for (int offset : offsets)
        cuts << offset % (bytes.size() + 1);
    std::sort(cuts.begin(), cuts.end());

    if (mode == 2)
        return checkMonitor(bytes, cuts);
    return checkLines(bytes, cuts, mode == 1, channels, cap);
}
