// Keeping what was seen: CSV numbers, recordings and their faults, exports, images.

#include "testsupport.h"

#include "pacedsender.h"

#include "record/csvformat.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUdpSocket>

#include <qwt_scale_widget.h>

#include <cmath>
#include <cstring>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder of the temporary one whose name no 8-bit code page holds whole: a path that went
// through one (Windows' ANSI calls) would not find it.
QString unusualFolder(const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("Messwerte Gr\u00fc\u00dfe \u03a9 \u6e2c"));
    QDir().mkpath(path); // if it fails, so does what is written there
    return path;
}

QByteArray ramp(int first, int last)
{
    QByteArray text;
    for (int n = first; n <= last; ++n)
        text += QByteArray::number(n) + ' ' + QByteArray::number(-n) + "\r\n";
    return text;
}

} // namespace

class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void numbersReadBackTheSame_data();
    void numbersReadBackTheSame();
    void recordingHoldsEveryLineAsPlotted();
    void recordingFaults_data();
    void recordingFaults();
    void exportOfAZoomedView_data();
    void exportOfAZoomedView();
    void savedImages_data();
    void savedImages();
};

void TestRecord::numbersReadBackTheSame_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("a tenth, not 0.1000000000000000055") << 0.1 << QByteArray("0.1");
    QTest::newRow("whole numbers without a point") << 12.0 << QByteArray("12");
    QTest::newRow("negative zero keeps its sign") << -0.0 << QByteArray("-0");
    QTest::newRow("tiny") << 1e-300 << QByteArray("1e-300");
    QTest::newRow("subnormal") << 5e-324 << QByteArray("5e-324");
    QTest::newRow("the largest") << 1.7976931348623157e308 << QByteArray("1.7976931348623157e+308");
    QTest::newRow("past 2^53, no rounding to a neat figure")
        << 123456789012345678.0 << QByteArray("123456789012345680");
    QTest::newRow("a third, all 17 digits") << 1.0 / 3.0 << QByteArray("0.3333333333333333");
}

// Every number in the shortest form that reads back as the same double, with a point whatever
// the locale.
void TestRecord::numbersReadBackTheSame()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QLocale::setDefault(QLocale(QLocale::German));
    QByteArray out;
    Csv::appendNumber(out, value);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(out, text);
    const double back = std::strtod(out.constData(), nullptr);
    QVERIFY(std::memcmp(&back, &value, sizeof value) == 0);
    QCOMPARE(
        Csv::headerRow({QStringLiteral("time_s"), QStringLiteral("a,b"), QStringLiteral("\"q\"")}),
        QByteArray("time_s,\"a,b\",\"\"\"q\"\"\"\n"));
}

// Numbered lines over UDP, with a gain and an offset on channel 2: the file holds every line
// once, as plotted, with times that rise.
void TestRecord::recordingHoldsEveryLineAsPlotted()
{
    QTemporaryDir folder;
    const QString path = QDir(unusualFolder(folder)).filePath(QStringLiteral("lines.csv"));
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    cellCheckBox(window, 1, 1)->setChecked(true);
    cellSpinBox(window, 1, 1)->setValue(2.5);
    cellCheckBox(window, 1, 2)->setChecked(true);
    cellSpinBox(window, 1, 2)->setValue(-4);
    QUdpSocket probeSocket;
    probeSocket.bind(QHostAddress(QHostAddress::Any), 0);
    const quint16 port = probeSocket.localPort();
    probeSocket.close();
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QString::number(port));
    widget<QPushButton>(window, "pbMode")->click();

    triggerAndChoose(action(window, "actionRecord"), path);
    QVERIFY(action(window, "actionRecord")->isChecked());
    PacedSender device(probe, port);
    constexpr int lines = 20000;
    for (int n = 1; n <= lines; n += 10) {
        QByteArray datagram;
        for (int i = n; i < n + 10; ++i)
            datagram += QByteArray::number(i) + ' ' + QByteArray::number(i % 97) + "\r\n";
        QVERIFY(device.send(datagram));
    }
    QTRY_COMPARE_WITH_TIMEOUT(probe.history().end(), qint64(lines), 10000);
    QTRY_VERIFY(widget<QLabel>(window, "label_record")->text().contains(QStringLiteral("REC")));
    widget<QToolButton>(window, "toolButton_record")->click();
    QVERIFY(!action(window, "actionRecord")->isChecked());
    QTRY_VERIFY(statusText(window).startsWith(QStringLiteral("Recording ended: 20,000 lines")));

    QList<QByteArray> rows;
    QTRY_COMPARE((rows = fileLines(path)).size(), lines + 1);
    QCOMPARE(rows.first(), QByteArray("time_s,Channel 1,Channel 2"));
    double previous = 0;
    for (int i = 1; i <= lines; ++i) {
        const QList<QByteArray> fields = rows.at(i).split(',');
        QCOMPARE(fields.size(), 3);
        const double time = fields.at(0).toDouble();
        QVERIFY(time >= previous);
        previous = time;
        QCOMPARE(fields.at(1).toDouble(), probe.history().at(0, i - 1));
        QCOMPARE(fields.at(1).toDouble(), double(i));
        QCOMPARE(fields.at(2).toDouble(), probe.history().at(1, i - 1));
        QCOMPARE(fields.at(2).toDouble(), (i % 97) * 2.5 - 4);
    }
}

void TestRecord::recordingFaults_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("the disk fills up") << true;
    QTest::newRow("the file cannot be created") << false;
}

// A file that cannot be created says why and changes nothing else; a write that fails midway
// stops the recording with the reason and the lines written, leaves whole rows, and the plot
// goes on.
void TestRecord::recordingFaults()
{
    QFETCH(bool, fullDisk);
    QTemporaryDir folder;
    // /proc takes no new files, whoever asks.
    const QString path = fullDisk ? folder.filePath(QStringLiteral("full.csv"))
                                  : QStringLiteral("/proc/corvale-test.csv");
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
#ifdef Q_OS_UNIX
    // A file that refuses to grow past 200,000 bytes, as a full disk does.
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const auto restore = qScopeGuard([&before] { ::setrlimit(RLIMIT_FSIZE, &before); });
    if (fullDisk) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before;
        small.rlim_cur = 200000;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    }
#else
    // Nor is there a /proc, and the dialog itself refuses a folder that does not exist.
    QSKIP("needs a file size limit and /proc");
#endif
    triggerAndChoose(action(window, "actionRecord"), path);
    const QString expected = fullDisk ? QStringLiteral("Recording stopped: File too large; ")
                                      : QStringLiteral("Could not record to ") + path + ": ";
    // Blocks larger than what is left of the disk.
    for (int n = 1; n <= 400000 && !statusText(window).startsWith(expected); n += 5000) {
        probe.feed(ramp(n, n + 4999));
        QTest::qWait(20);
    }
    QTRY_VERIFY2(statusText(window).startsWith(expected), qPrintable(statusText(window)));
    QVERIFY(!action(window, "actionRecord")->isChecked());
    if (!fullDisk) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    // "Recording stopped: File too large; 1,234 lines written to ..."
    QVERIFY2(statusText(window).endsWith(QStringLiteral(" lines written to ") + path),
             qPrintable(statusText(window)));
    const QString written = statusText(window).section(QLatin1String("; "), 1).section(' ', 0, 0);
    const QByteArray bytes = fileBytes(path);
    // Every row that fit: the file is cut back no further than to a piece of the last block.
    QVERIFY2(bytes.size() > 200000 - 17000 && bytes.size() <= 200000,
             qPrintable(QString::number(bytes.size())));
    QVERIFY(bytes.endsWith('\n'));
    const QList<QByteArray> rows = fileLines(path);
    QCOMPARE(QLocale().toString(rows.size() - 1), written);
    for (int i = 1; i < rows.size(); ++i) {
        const QList<QByteArray> fields = rows.at(i).split(',');
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields.at(1).toDouble(), double(i));
    }
    // The plot goes on.
    const qint64 taken = probe.history().end();
    probe.feed(ramp(1, 10));
    QCOMPARE(probe.history().end(), taken + 10);
}

void TestRecord::exportOfAZoomedView_data()
{
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<bool>("history");
    QTest::newRow("live") << false << false;
    QTest::newRow("frozen, with lines arriving") << true << false;
    QTest::newRow("the history, with lines arriving once chosen") << false << true;
}

// "Export view as CSV…" of a zoomed view: exactly the samples in view, the numbers read back
// equal. "Export history as CSV…": every line held when it was chosen, none that came after.
void TestRecord::exportOfAZoomedView()
{
    QFETCH(bool, frozen);
    QFETCH(bool, history);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("view.csv"));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    probe.feed(ramp(1, 3000)); // x = p holds line 2001 + p
    QVERIFY(probe.nextFrame());
    if (frozen) {
        action(window, "actionFreeze")->trigger();
        probe.feed(ramp(3001, 3100));
    }
    probe.view()->zoomTo(QRectF(QPointF(-150.5, -5000), QPointF(300.25, 5000)));
    triggerAndChoose(action(window, history ? "actionExportHistory" : "actionExportView"), path);
    if (history)
        probe.feed(ramp(3001, 3100));
    const int first = history ? -2000 : -150;
    const int count = history ? 3000 : 451;
    QTRY_VERIFY(statusText(window).startsWith(
        QStringLiteral("Exported %1 rows").arg(QLocale().toString(count))));
    const QList<QByteArray> rows = fileLines(path);
    QCOMPARE(rows.size(), count + 1);
    QCOMPARE(rows.first(), QByteArray("sample,Channel 1,Channel 2"));
    for (int i = 1; i < rows.size(); ++i) {
        const int x = first - 1 + i;
        QCOMPARE(rows.at(i), QByteArray::number(x) + ',' + QByteArray::number(2001 + x) + ",-" +
                                 QByteArray::number(2001 + x));
    }
}

void TestRecord::savedImages_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<int>("atMostKiB"); // every sample drawn: 970 and 390 KiB
    QTest::newRow("png") << "png" << QByteArray("\x89PNG") << 1000;
    QTest::newRow("svg") << "svg" << QByteArray("<?xml") << 600;
    QTest::newRow("pdf") << "pdf" << QByteArray("%PDF") << 250;
}

// The plot as shown, in each format; a vector file of 10,000 noisy samples on each of six
// channels stays small, drawn per pixel column as on screen.
void TestRecord::savedImages()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, magic);
    QFETCH(int, atMostKiB);
    QTemporaryDir folder;
    const QString path = QDir(unusualFolder(folder)).filePath(QStringLiteral("plot.") + suffix);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 6);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "10000");
    QByteArray lines;
    for (int n = 0; n < 10000; ++n) {
        for (int c = 0; c < 6; ++c)
            lines += QByteArray::number((n * 7919 + c * 104729) % 1000) + (c < 5 ? " " : "\r\n");
    }
    probe.feed(lines);
    QVERIFY(probe.nextFrame());
    triggerAndChoose(action(window, "actionSaveImage"), path);
    QTRY_COMPARE(statusText(window), QStringLiteral("Saved the plot to ") + path);
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.startsWith(magic));
    QVERIFY2(bytes.size() <= atMostKiB * 1024, qPrintable(QString::number(bytes.size())));
    if (suffix == QLatin1String("svg")) {
        // The axes' numbers at the size they have on screen.
        QwtPlot *plot = probe.plot();
        const double pixels =
            plot->axisWidget(QwtCompat::yLeft)->font().pointSizeF() * plot->logicalDpiY() / 72.0;
        QVERIFY2(bytes.contains("font-size=\"" + QByteArray::number(pixels) + '"'),
                 qPrintable(QString::number(pixels)));
    }
}

QTEST_MAIN(TestRecord)
#include "tst_record.moc"
