// Line assembly, field parsing and chunked UTF-8 decoding, without any widget.

#include "stream/linebuffer.h"
#include "stream/lineparser.h"
#include "stream/monitordecoder.h"

#include <QTest>

#include <cmath>
#include <limits>

using Status = LineParser::SeriesResult::Status;
Q_DECLARE_METATYPE(Status)
using XYStatus = LineParser::XYResult::Status;
Q_DECLARE_METATYPE(XYStatus)

namespace {

// Feeds the chunks one by one and collects every line and overlong report in order.
QStringList linesFrom(const QList<QByteArray> &chunks)
{
    LineBuffer buffer;
    QStringList out;
    QByteArray line;
    for (const QByteArray &chunk : chunks) {
        buffer.append(chunk);
        for (;;) {
            const LineBuffer::Next next = buffer.takeLine(&line);
            if (next == LineBuffer::Next::None)
                break;
            out << (next == LineBuffer::Next::Line ? QString::fromLatin1(line)
                                                   : QStringLiteral("<overlong>"));
        }
    }
    return out;
}

} // namespace

class TestStream : public QObject
{
    Q_OBJECT

private slots:
    void lineAssembly_data();
    void lineAssembly();
    void overlongLines();
    void partialLineStaysPending();

    void series_data();
    void series();
    void xy_data();
    void xy();
    void messages();
    void numbersAsQStringReadsThem_data();
    void numbersAsQStringReadsThem();

    void monitorChunks_data();
    void monitorChunks();
    void monitorResetForgetsHeldBytes();
};

void TestStream::lineAssembly_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("one line") << QList<QByteArray>{"1 2\r\n"} << QStringList{"1 2"};
    QTest::newRow("split inside a line")
        << QList<QByteArray>{"1.", "5 2\r", "\n"} << QStringList{"1.5 2"};
    QTest::newRow("split between CR and LF")
        << QList<QByteArray>{"7\r", "\n8\r\n"} << QStringList{"7", "8"};
    QTest::newRow("several lines in one chunk")
        << QList<QByteArray>{"1\r\n2\r\n3\r\n4"} << QStringList{"1", "2", "3"};
    QTest::newRow("lone LF and lone CR end nothing")
        << QList<QByteArray>{"1 2\n3 4\r5\r\n"} << QStringList{"1 2\n3 4\r5"};
    QTest::newRow("LF CR LF keeps the LF in the line")
        << QList<QByteArray>{"9\n\r\n"} << QStringList{"9\n"};
    QTest::newRow("empty line") << QList<QByteArray>{"\r\n"} << QStringList{""};
    QTest::newRow("CR CR LF") << QList<QByteArray>{"a\r\r\n"} << QStringList{"a\r"};
    QTest::newRow("empty chunks change nothing")
        << QList<QByteArray>{"", "1", "", "\r\n", ""} << QStringList{"1"};
}

void TestStream::lineAssembly()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, lines);
    QCOMPARE(linesFrom(chunks), lines);
}

void TestStream::overlongLines()
{
    const int max = LineBuffer::MaxLineLength;
    const QByteArray atLimit(max, '1');
    const QByteArray overLimit(max + 1, '2');

    // A line of exactly the limit is still a line, also when its CR comes last in a chunk.
    QCOMPARE(linesFrom({atLimit + "\r", "\n"}), QStringList{QString::fromLatin1(atLimit)});

    // One byte more is dropped with one report, whatever the chunking, and the next line counts.
    QCOMPARE(linesFrom({overLimit + "\r\n5\r\n"}), (QStringList{"<overlong>", "5"}));
    QCOMPARE(linesFrom({overLimit, "\r\n5\r\n"}), (QStringList{"<overlong>", "5"}));

    // A flood without CR LF: reported once, no fragment of it is ever parsed as a line, and the
    // memory held stays bounded.
    LineBuffer buffer;
    QByteArray line;
    int reports = 0;
    for (int i = 0; i < 40; ++i) {
        buffer.append(QByteArray(10000, '3'));
        while (buffer.takeLine(&line) == LineBuffer::Next::Overlong)
            ++reports;
        QVERIFY(buffer.pending().size() <= max + 1);
    }
    QCOMPARE(reports, 1);
    buffer.append("33\r");
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::None);
    buffer.append("\n6 7\r\n");
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::Line);
    QCOMPARE(line, QByteArray("6 7"));

    // Clearing forgets a line being dropped.
    buffer.append(overLimit);
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::Overlong);
    buffer.clear();
    buffer.append("8\r\n");
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::Line);
    QCOMPARE(line, QByteArray("8"));
}

void TestStream::partialLineStaysPending()
{
    LineBuffer buffer;
    QByteArray line;
    buffer.append("1 2\r\n3 ");
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::Line);
    QCOMPARE(buffer.takeLine(&line), LineBuffer::Next::None);
    QCOMPARE(buffer.pending(), QByteArray("3 "));
    buffer.clear();
    QVERIFY(buffer.isEmpty());
}

void TestStream::series_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("channels");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("badField");
    QTest::addColumn<QVector<double>>("values");

    const QVector<double> none;
    QTest::newRow("three channels")
        << QByteArray("1.5 -2 3e2") << 3 << Status::Ok << -1 << QVector<double>{1.5, -2, 300};
    QTest::newRow("extra fields ignored")
        << QByteArray("1 2 3 4") << 3 << Status::Ok << -1 << QVector<double>{1, 2, 3};
    QTest::newRow("trailing space beyond N")
        << QByteArray("1 2 ") << 2 << Status::Ok << -1 << QVector<double>{1, 2};
    QTest::newRow("LF at the end of the last field")
        << QByteArray("4 5\n") << 2 << Status::Ok << -1 << QVector<double>{4, 5};
    QTest::newRow("signs and exponents") << QByteArray("+1 -0.5e-3 .25") << 3 << Status::Ok << -1
                                         << QVector<double>{1, -0.0005, 0.25};
    QTest::newRow("too few fields: silent")
        << QByteArray("1 2") << 3 << Status::TooFewFields << -1 << none;
    QTest::newRow("empty line, two channels: silent")
        << QByteArray("") << 2 << Status::TooFewFields << -1 << none;
    QTest::newRow("empty line, one channel: channel 0")
        << QByteArray("") << 1 << Status::BadField << 0 << none;
    QTest::newRow("double space: empty field 1")
        << QByteArray("1  2") << 2 << Status::BadField << 1 << none;
    QTest::newRow("leading space: empty field 0")
        << QByteArray(" 1 2") << 2 << Status::BadField << 0 << none;
    QTest::newRow("comma decimal") << QByteArray("1,5 2") << 2 << Status::BadField << 0 << none;
    QTest::newRow("letters in field 2")
        << QByteArray("1 2 abc") << 3 << Status::BadField << 2 << none;
    QTest::newRow("only the first bad field counts")
        << QByteArray("1 x y") << 3 << Status::BadField << 1 << none;
    QTest::newRow("embedded LF does not separate")
        << QByteArray("1 2\n3 4") << 2 << Status::BadField << 1 << none;
    QTest::newRow("tab does not separate")
        << QByteArray("1\t2 3") << 2 << Status::BadField << 0 << none;
    QTest::newRow("inf refused") << QByteArray("1 inf") << 2 << Status::BadField << 1 << none;
    QTest::newRow("-inf refused") << QByteArray("-inf 1") << 2 << Status::BadField << 0 << none;
    QTest::newRow("nan refused") << QByteArray("nan") << 1 << Status::BadField << 0 << none;
    QTest::newRow("overflow to infinity refused")
        << QByteArray("1e999") << 1 << Status::BadField << 0 << none;
    QTest::newRow("zero byte ends no field")
        << QByteArray("1.5\0garbage", 11) << 1 << Status::BadField << 0 << none;
    QTest::newRow("zero byte inside field 1")
        << QByteArray("1 2\0 3", 6) << 3 << Status::BadField << 1 << none;
}

void TestStream::series()
{
    QFETCH(QByteArray, line);
    QFETCH(int, channels);
    QFETCH(Status, status);
    QFETCH(int, badField);
    QFETCH(QVector<double>, values);

    QVector<double> parsed;
    const LineParser::SeriesResult result = LineParser::parseSeries(line, channels, &parsed);
    QCOMPARE(result.status, status);
    QCOMPARE(result.badField, badField);
    if (status == Status::Ok)
        QCOMPARE(parsed, values);
}

void TestStream::xy_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<XYStatus>("status");
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    QTest::newRow("pair") << QByteArray("2.5 -3") << XYStatus::Ok << 2 << 2.5 << -3.0;
    QTest::newRow("extra fields ignored")
        << QByteArray("1 2 zzz") << XYStatus::Ok << 3 << 1.0 << 2.0;
    QTest::newRow("origin") << QByteArray("0 0") << XYStatus::Ok << 2 << 0.0 << 0.0;
    QTest::newRow("single number") << QByteArray("5") << XYStatus::TooFewFields << 1 << 0.0 << 0.0;
    QTest::newRow("empty line") << QByteArray("") << XYStatus::TooFewFields << 1 << 0.0 << 0.0;
    QTest::newRow("letter as y") << QByteArray("1 q") << XYStatus::BadNumber << 2 << 0.0 << 0.0;
    QTest::newRow("letter as x") << QByteArray("q 1") << XYStatus::BadNumber << 2 << 0.0 << 0.0;
    QTest::newRow("inf as x") << QByteArray("inf 1") << XYStatus::BadNumber << 2 << 0.0 << 0.0;
    QTest::newRow("nan as y") << QByteArray("1 nan") << XYStatus::BadNumber << 2 << 0.0 << 0.0;
    QTest::newRow("zero byte in x")
        << QByteArray("1\0 2", 4) << XYStatus::BadNumber << 2 << 0.0 << 0.0;
}

void TestStream::xy()
{
    QFETCH(QByteArray, line);
    QFETCH(XYStatus, status);
    QFETCH(int, fieldCount);
    QFETCH(double, x);
    QFETCH(double, y);

    double px = 0;
    double py = 0;
    const LineParser::XYResult result = LineParser::parseXY(line, &px, &py);
    QCOMPARE(result.status, status);
    QCOMPARE(result.fieldCount, fieldCount);
    if (status == XYStatus::Ok) {
        QCOMPARE(px, x);
        QCOMPARE(py, y);
    }
}

// Plain numbers take a short cut; whatever the path, a field must read exactly as
// QString::toDouble reads it (values that are not finite refused).
void TestStream::numbersAsQStringReadsThem_data()
{
    QTest::addColumn<QByteArray>("field");
    for (const char *field : {"0",
                              "-0",
                              "+0",
                              "1.5",
                              "-2",
                              "3e2",
                              "1E-3",
                              "+1e+5",
                              ".5",
                              "-.5e1",
                              "+.25",
                              "007",
                              "0.1",
                              "123456789012345678901234567890",
                              "1.7976931348623157e308",
                              "2.2250738585072014e-308",
                              "4.9e-324",
                              "1e-310",
                              "1e-400",
                              "0e-400",
                              "1e400",
                              "1.",
                              "5.e3",
                              ".",
                              "-",
                              "+",
                              "+-1",
                              "--1",
                              "1e",
                              "1e+",
                              "e5",
                              "1.2.3",
                              "1e5.5",
                              "0x10",
                              "1_0",
                              "1,5",
                              " 5",
                              "5 ",
                              "\t5",
                              "5\n",
                              "inf",
                              "-inf",
                              "nan",
                              "1.0000000000000000000000000000000000000001",
                              "0.30000000000000004441",
                              "9007199254740993",
                              "1e0000000000000000000000000000000000005"})
        QTest::newRow(field) << QByteArray(field);
    QTest::newRow("zero byte") << QByteArray("1\0", 2);
}

void TestStream::numbersAsQStringReadsThem()
{
    QFETCH(QByteArray, field);
    bool ok = false;
    const double expected = QString::fromLatin1(field.constData(), field.size()).toDouble(&ok);
    ok = ok && std::isfinite(expected);
    double value = 0;
    QCOMPARE(LineParser::toNumber(field.constData(), int(field.size()), &value), ok);
    if (ok) {
        QCOMPARE(value, expected);
        QCOMPARE(std::signbit(value), std::signbit(expected));
    }
}

void TestStream::messages()
{
    QCOMPARE(LineParser::badChannelMessage(0),
             QStringLiteral("Error: Invalid number format for channel 0 detected"));
    QCOMPARE(LineParser::tooFewXYFieldsMessage(1),
             QStringLiteral("Error: Insufficient data parts for XY graph parts.size() = 1"));
    QCOMPARE(LineParser::badXYNumberMessage(),
             QStringLiteral("Error: Invalid number format in XY data"));
    QCOMPARE(LineParser::overlongLineMessage(LineBuffer::MaxLineLength),
             QStringLiteral("Error: line longer than 65536 bytes dropped"));
}

void TestStream::monitorChunks_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("text");

    const QByteArray euro("\xE2\x82\xAC");      // 3 bytes
    const QByteArray emoji("\xF0\x9F\x93\x88"); // 4 bytes
    QTest::newRow("ascii") << QList<QByteArray>{"1 2\r\n", "3"} << QStringLiteral("1 2\r\n3");
    QTest::newRow("two-byte split") << QList<QByteArray>{"\xC2", "\xB0"
                                                                 "C"}
                                    << QString::fromUtf8("\xC2\xB0"
                                                         "C");
    QTest::newRow("three-byte split after one")
        << QList<QByteArray>{"a" + euro.left(1), euro.mid(1)} << QString::fromUtf8("a" + euro);
    QTest::newRow("three-byte split after two")
        << QList<QByteArray>{euro.left(2), euro.mid(2) + "b"} << QString::fromUtf8(euro + "b");
    QTest::newRow("four-byte in single bytes")
        << QList<QByteArray>{emoji.left(1), emoji.mid(1, 1), emoji.mid(2, 1), emoji.mid(3)}
        << QString::fromUtf8(emoji);
    QTest::newRow("invalid byte stays a replacement")
        << QList<QByteArray>{"x\xFFy"} << QStringLiteral("x\uFFFDy");
    QTest::newRow("broken sequence completed by ASCII")
        << QList<QByteArray>{"\xE2\x82", "A"} << QString::fromUtf8("\xE2\x82").append('A');
    QTest::newRow("CR LF split between chunks")
        << QList<QByteArray>{"line1\r", "\nline2\r\n"} << QStringLiteral("line1\r\nline2\r\n");
    QTest::newRow("lone CR then a line")
        << QList<QByteArray>{"a\r", "b\r\n"} << QStringLiteral("a\rb\r\n");
    const QString zero(QChar(MonitorDecoder::ZeroPlaceholder));
    QTest::newRow("zero byte shows, the text goes on")
        << QList<QByteArray>{QByteArray("1\0 2 3\r\n4\r5\r\n", 13)}
        << QStringLiteral("1%1 2 3\r\n4\r5\r\n").arg(zero);
}

// The text is the same however the bytes are cut: as the rows cut them, and in two pieces at
// every place.
void TestStream::monitorChunks()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, text);
    MonitorDecoder decoder;
    QString decoded;
    for (const QByteArray &chunk : chunks)
        decoded += decoder.decode(chunk);
    QCOMPARE(decoded, text);
    QVERIFY(!decoder.hasPending());

    const QByteArray whole = chunks.join();
    for (int cut = 0; cut <= whole.size(); ++cut) {
        MonitorDecoder split;
        QString pieces = split.decode(whole.left(cut));
        pieces += split.decode(whole.mid(cut));
        QCOMPARE(pieces, text);
    }
}

void TestStream::monitorResetForgetsHeldBytes()
{
    MonitorDecoder decoder;
    QCOMPARE(decoder.decode("ok\xE2\x82"), QStringLiteral("ok"));
    QVERIFY(decoder.hasPending());
    decoder.reset();
    QCOMPARE(decoder.decode("\xAC"), QStringLiteral("\uFFFD"));
    QCOMPARE(decoder.decode("a\r"), QStringLiteral("a"));
    decoder.reset();
    QCOMPARE(decoder.decode("\nb"), QStringLiteral("\nb"));
}

QTEST_APPLESS_MAIN(TestStream)
#include "tst_stream.moc"
