// The "Serial Monitor" tab: raw text as it arrives, following the newest text, and the resets
// of a tab change and "Clear all".

#include "testsupport.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QUdpSocket>

namespace {

QPlainTextEdit *monitor(MainWindow &window)
{
    return widget<QPlainTextEdit>(window, "plainTextEdit");
}

void showTab(MainWindow &window, int index)
{
    widget<QTabWidget>(window, "tabWidget_MonitorViews")->setCurrentIndex(index);
}

// What the view shows for text inserted in one piece.
QString shownAs(const QString &text)
{
    QPlainTextEdit reference;
    reference.insertPlainText(text);
    return reference.toPlainText();
}

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void serialTextAppearsRaw();
    void characterSplitAcrossChunks();
    void followsNewestTextUntilScrolledUp();
    void tabChangeResetsTimeSeries();
    void tabChangeResetsXY();
    void clearAllInBothModes();
    void viewKeepsRecentLinesOnly();
    void receivedTextGoesAtTheEnd();
    void sameTextHoweverCut_data();
    void sameTextHoweverCut();
    void longLinesStayBounded();
    void backlogDrainsFrameByFrame();
};

void TestMonitor::serialTextAppearsRaw()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    showTab(window, 1);
    openPort(window, pty.name());

    pty.write("1.5 -2 3e2\r\nhal");
    QTRY_COMPARE(monitor(window)->toPlainText(), shownAs("1.5 -2 3e2\r\nhal"));
    pty.write("f a line\r\nnot numbers at all\r\n");
    QTRY_COMPARE(monitor(window)->toPlainText(),
                 shownAs("1.5 -2 3e2\r\nhalf a line\r\nnot numbers at all\r\n"));
    // Nothing of it reached the plot or its line buffer.
    QCOMPARE(probe.yData().at(0).last(), 0.0);
    QVERIFY(probe.pendingSeriesBytes().isEmpty());
    QVERIFY(statusText(window).startsWith(QStringLiteral("connected to")));
}

void TestMonitor::characterSplitAcrossChunks()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    showTab(window, 1);
    openPort(window, pty.name());

    pty.write("21.5 \xC2");
    QTest::qWait(50); // let the first half arrive as a chunk of its own
    pty.write("\xB0"
              "C \xE2\x82");
    QTest::qWait(50);
    pty.write("\xAC ok\r\n");
    QTRY_COMPARE(monitor(window)->toPlainText(), shownAs(QString::fromUtf8("21.5 °C € ok\r\n")));

    // Really invalid bytes still show as replacement characters.
    pty.write("\xFF!");
    QTRY_VERIFY(monitor(window)->toPlainText().endsWith(QStringLiteral("\uFFFD!")));
}

void TestMonitor::followsNewestTextUntilScrolledUp()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    showTab(window, 1);
    QScrollBar *bar = monitor(window)->verticalScrollBar();

    for (int i = 0; i < 200; ++i)
        probe.feed("line " + QByteArray::number(i) + "\r\n");
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(probe.autoScroll());

    bar->setValue(10); // the user scrolls up
    QVERIFY(!probe.autoScroll());
    for (int i = 0; i < 50; ++i)
        probe.feed("more\r\n");
    QCOMPARE(bar->value(), 10);

    bar->setValue(bar->maximum()); // and back to the bottom
    QVERIFY(probe.autoScroll());
    probe.feed("newest\r\n");
    QCOMPARE(bar->value(), bar->maximum());
}

void TestMonitor::tabChangeResetsTimeSeries()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    cellCheckBox(window, 0, 1)->setChecked(true);
    probe.feed("4 5\r\n7 "); // one line plotted, half a line waiting

    showTab(window, 1);
    QVERIFY(probe.pendingSeriesBytes().isEmpty());
    QCOMPARE(curveYs(probe.curves().at(0)), QVector<double>(1000, 0.0));
    QVERIFY(!cellCheckBox(window, 0, 1)->isChecked()); // table rebuilt
    probe.feed("shown here\r\n");
    QCOMPARE(monitor(window)->toPlainText(), shownAs("shown here\r\n"));

    showTab(window, 0);
    QVERIFY(monitor(window)->toPlainText().isEmpty());
    probe.feed("8\r\n"); // the discarded "7 " does not come back
    QCOMPARE(statusText(window), QString());
    probe.feed("1 2\r\n");
    QCOMPARE(probe.yData().at(0).mid(998), (QVector<double>{0, 1}));
    QVERIFY(widget<QTableWidget>(window, "tableWidget")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "spinBox_Xmin")->isEnabled());
}

void TestMonitor::tabChangeResetsXY()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    probe.feed("1 2\r\n3 4\r\n5");
    QCOMPARE(probe.xyXData().size(), 2);

    showTab(window, 1);
    QVERIFY(probe.xyXData().isEmpty());
    QVERIFY(probe.pendingXYBytes().isEmpty());
    QCOMPARE(curveTitles(probe.plot()), QStringList{"Data 1"});
    showTab(window, 0);
    probe.feed(" 6\r\n7 8\r\n");
    QCOMPARE(probe.xyXData(), QVector<double>{7}); // " 6" alone is not a point
    QVERIFY(!widget<QTableWidget>(window, "tableWidget")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "spinBox_Xmin")->isEnabled());
    QCOMPARE(probe.plot()->axisScaleDiv(QwtCompat::xBottom).upperBound(), 1000.0);
}

void TestMonitor::clearAllInBothModes()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    auto *clearAll = widget<QPushButton>(window, "pbClear_all");

    probe.feed("3\r\n4 ");
    showTab(window, 1);
    probe.feed("text\r\n");
    clearAll->click();
    QVERIFY(monitor(window)->toPlainText().isEmpty());
    QCOMPARE(widget<QTabWidget>(window, "tabWidget_MonitorViews")->currentIndex(), 1);
    showTab(window, 0);

    probe.feed("9\r\n1");
    clearAll->click();
    QCOMPARE(curveYs(probe.curves().at(0)), QVector<double>(1000, 0.0));
    // "Clear all" leaves a partial time-series line alone.
    QCOMPARE(probe.pendingSeriesBytes(), QByteArray("1"));
    QVERIFY(widget<QSpinBox>(window, "SpinBox_XScale")->isEnabled());

    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    probe.feed("1 1\r\n2 2\r\n");
    clearAll->click();
    QVERIFY(probe.xyXData().isEmpty());
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(0));
    QVERIFY(!widget<QTableWidget>(window, "tableWidget")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "spinBox_Xmax")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "SpinBox_XScale")->isEnabled());
}

void TestMonitor::viewKeepsRecentLinesOnly()
{
    MainWindow window;
    MainWindowProbe probe(window);
    showTab(window, 1);
    QCOMPARE(monitor(window)->maximumBlockCount(), 100000);
    QByteArray chunk;
    for (int i = 0; i < 100010; ++i)
        chunk += QByteArray::number(i) + '\n';
    probe.feed(chunk);
    QCOMPARE(monitor(window)->blockCount(), 100000);
    QVERIFY(monitor(window)->toPlainText().endsWith(QStringLiteral("\n100009\n")));
}

void TestMonitor::receivedTextGoesAtTheEnd()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    showTab(window, 1);
    probe.feed("abc");

    // The user selects "b" to copy it while data flows.
    QTextCursor selection = monitor(window)->textCursor();
    selection.setPosition(1);
    selection.setPosition(2, QTextCursor::KeepAnchor);
    monitor(window)->setTextCursor(selection);
    probe.feed("XYZ");
    QCOMPARE(monitor(window)->toPlainText(), QStringLiteral("abcXYZ"));
    QCOMPARE(monitor(window)->textCursor().selectedText(), QStringLiteral("b"));

    // A click into the old text: later text still goes at the end, the cursor stays.
    QTextCursor click = monitor(window)->textCursor();
    click.setPosition(1);
    monitor(window)->setTextCursor(click);
    probe.feed("\r\n!");
    QCOMPARE(monitor(window)->toPlainText(), shownAs("abcXYZ\r\n!"));
    QCOMPARE(monitor(window)->textCursor().position(), 1);
}

// The same bytes show the same text however the link cut them into chunks.
void TestMonitor::sameTextHoweverCut_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("text");

    const QByteArray zero("1\0 2 3\r\n4\r5\r\n", 13);
    const QString zeroShown = QStringLiteral("1\u2400 2 3\r\n4\r5\r\n");
    QTest::newRow("zero byte, whole") << QList<QByteArray>{zero} << zeroShown;
    QTest::newRow("zero byte, cut after it")
        << QList<QByteArray>{zero.left(2), zero.mid(2)} << zeroShown;
    QTest::newRow("zero byte, cut before it")
        << QList<QByteArray>{zero.left(1), zero.mid(1)} << zeroShown;
    QTest::newRow("CR LF in one piece")
        << QList<QByteArray>{"line1\r\nline2\r\n"} << QStringLiteral("line1\r\nline2\r\n");
    QTest::newRow("CR LF cut in two")
        << QList<QByteArray>{"line1\r", "\nline2\r\n"} << QStringLiteral("line1\r\nline2\r\n");
}

void TestMonitor::sameTextHoweverCut()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, text);
    MainWindow window;
    MainWindowProbe probe(window);
    showTab(window, 1);
    for (const QByteArray &chunk : chunks)
        probe.feed(chunk);
    QCOMPARE(monitor(window)->toPlainText(), shownAs(text));
}

// Text without line ends: the line keeps its newest characters, and all lines together keep
// the newest 4,000,000.
void TestMonitor::longLinesStayBounded()
{
    MainWindow window;
    MainWindowProbe probe(window);
    showTab(window, 1);
    QByteArray chunk;
    while (chunk.size() < 8192)
        chunk += "abc 1.5 2.5 ";
    for (int i = 0; i < 100; ++i)
        probe.feed(chunk);
    probe.feed("end");
    QTextDocument *document = monitor(window)->document();
    QCOMPARE(document->blockCount(), 1);
    QString line = document->lastBlock().text();
    QCOMPARE(line.size(), 10000);
    QVERIFY(line.endsWith(QStringLiteral("1.5 2.5 end")));
    probe.feed("\r\nnext");
    QCOMPARE(document->lastBlock().text(), QStringLiteral("next"));

    const QByteArray longLine = QByteArray(9990, 'x') + "\r\n";
    for (int i = 0; i < 45; ++i) {
        QByteArray lines;
        for (int k = 0; k < 10; ++k)
            lines += QByteArray::number(i * 10 + k) + longLine;
        probe.feed(lines);
    }
    QVERIFY(document->characterCount() <= 4000000);
    QVERIFY(document->characterCount() > 3900000);
    QVERIFY(document->lastBlock().previous().text().startsWith(QStringLiteral("449x")));
}

// 16 MiB waiting while the monitor is shown: it all arrives, newest last, in pieces small
// enough to keep the window painting, not in a few huge inserts.
void TestMonitor::backlogDrainsFrameByFrame()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    showTab(window, 1);
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QStringLiteral("0"));
    widget<QPushButton>(window, "pbMode")->click();
    const quint16 port = widget<QLineEdit>(window, "lineEdit_UDP_PORT")->text().toUShort();

    // Lines of 32 bytes, numbered; 512 datagrams of 1024 lines.
    constexpr int lineBytes = 32;
    constexpr int linesPerDatagram = 1024;
    constexpr int datagrams = 512;
    QUdpSocket device;
    for (int d = 0; d < datagrams; ++d) {
        QByteArray datagram;
        for (int i = d * linesPerDatagram; i < (d + 1) * linesPerDatagram; ++i)
            datagram += QByteArray::number(i).rightJustified(8, '0') +
                        QByteArray(lineBytes - 9, '.') + '\n';
        device.writeDatagram(datagram, QHostAddress::LocalHost, port);
        // The window takes nothing meanwhile; the socket's own buffer must not overflow.
        QElapsedTimer wait;
        wait.start();
        while (probe.queuedBytes() + 1024 * 1024 < qint64(d) * datagram.size() &&
               wait.elapsed() < 5000)
            QThread::usleep(100);
    }
    const qint64 backlog = qint64(datagrams) * linesPerDatagram * lineBytes;
    QElapsedTimer wait;
    wait.start();
    while (probe.queuedBytes() < backlog && wait.elapsed() < 5000)
        QThread::usleep(100);
    QCOMPARE(probe.queuedBytes(), backlog);

    // The newest line number on screen at every paint of the view.
    QVector<int> painted;
    QTextDocument *document = monitor(window)->document();
    const auto newest = [document] {
        return document->lastBlock().previous().text().left(8).toInt();
    };
    PaintWatcher watcher(monitor(window)->viewport(), [&] { painted << newest(); });
    const int last = datagrams * linesPerDatagram - 1;
    QTRY_COMPARE_WITH_TIMEOUT(newest(), last, 30000);

    // Consecutive up to the last: the oldest lines went at the limit, no other.
    int expected = -1;
    for (QTextBlock block = document->firstBlock(); !block.text().isEmpty(); block = block.next()) {
        const int number = block.text().left(8).toInt();
        if (expected >= 0 && number != expected)
            QFAIL(qPrintable(QStringLiteral("line %1 after %2").arg(number).arg(expected - 1)));
        expected = number + 1;
    }
    QCOMPARE(expected, last + 1);
    QVERIFY(document->characterCount() <= 4000000);
    QVERIFY(painted.size() > 10);
    for (int i = 1; i < painted.size(); ++i)
        QVERIFY2(
            painted[i] - painted[i - 1] <= 1024 * 1024 / lineBytes,
            qPrintable(QStringLiteral("%1 lines in one frame").arg(painted[i] - painted[i - 1])));
}

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
