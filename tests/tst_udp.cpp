// The Ethernet (UDP) link: binding, its look, datagrams into the same parser, bind failures.

#include "testsupport.h"

#include "canvasinput.h"
#include "pacedsender.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QThread>
#include <QUdpSocket>

namespace {

const QString gray = QStringLiteral("QPushButton { background-color: gray;}");
const QString green = QStringLiteral("QPushButton { background-color: green;}");

void verifyControlsEnabled(MainWindow &window, bool enabled)
{
    for (QWidget *control : linkControls(window, "pbOpenPort"))
        QVERIFY2(control->isEnabled() == enabled, qPrintable(control->objectName()));
    QVERIFY(widget<QWidget>(window, "pbMode")->isEnabled());
    QVERIFY(widget<QWidget>(window, "pb_refreshports")->isEnabled());
}

void bindOn(MainWindow &window, const QString &port)
{
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(port);
    widget<QPushButton>(window, "pbMode")->click();
}

// Debug output, to see the "press" lines.
QStringList debugLines;
void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines << message;
}

} // namespace

class TestUdp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void bindPlotsDatagramsAndCloses();
    void portZeroShowsThePortBound();
    void pressOnEveryToggle();
    void bindFailureKeepsButtonChecked();
    void unusablePortIsRefused_data();
    void unusablePortIsRefused();
    void queuedDatagramsAreAllRead();
    void lineSplitAcrossDatagrams();
    void datagramsOnTheMonitorTab();
    void burstLosesNoLine();
    void closedLinkLeavesNothingBehind();
    void liveRate();
};

void TestUdp::bindPlotsDatagramsAndCloses()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 3);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    auto *button = widget<QPushButton>(window, "pbMode");
    QVERIFY(button->isChecked());
    QCOMPARE(button->styleSheet(), green);
    QCOMPARE(button->text(), QStringLiteral("Open Ethernet"));
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(),
             QStringLiteral("Ethernet<br>Connected"));
    QCOMPARE(statusText(window), QStringLiteral("Connected via Ethernet"));
    QCOMPARE(probe.udpSocket().localPort(), port);
    verifyControlsEnabled(window, false);

    QUdpSocket device;
    device.writeDatagram("1.5 -2 3e2\r\n", QHostAddress::LocalHost, port);
    QTRY_COMPARE(probe.yData().at(2).last(), 300.0);
    QCOMPARE(probe.yData().at(0).last(), 1.5);
    QCOMPARE(probe.yData().at(1).last(), -2.0);

    button->click();
    QVERIFY(!button->isChecked());
    QCOMPARE(button->styleSheet(), gray);
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
    QCOMPARE(statusText(window), QStringLiteral("Ethernet connection closed"));
    QCOMPARE(probe.udpSocket().state(), QAbstractSocket::UnconnectedState);
    verifyControlsEnabled(window, true);

    // Closed means closed: nothing arrives any more.
    device.writeDatagram("9 9 9\r\n", QHostAddress::LocalHost, port);
    QTest::qWait(50);
    QCOMPARE(probe.yData().at(2).last(), 300.0);
}

void TestUdp::portZeroShowsThePortBound()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    bindOn(window, QStringLiteral("0"));
    QCOMPARE(statusText(window), QStringLiteral("Connected via Ethernet"));
    QCOMPARE(probe.udpSocket().state(), QAbstractSocket::BoundState);
    QVERIFY(probe.udpSocket().localPort() != 0);
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_UDP_PORT")->text(),
             QString::number(probe.udpSocket().localPort()));
}

void TestUdp::pressOnEveryToggle()
{
    MainWindow window;
    window.show();
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectDebug);
    bindOn(window, QString::number(freePort()));
    widget<QPushButton>(window, "pbMode")->click();
    widget<QPushButton>(window, "pbMode")->click();
    qInstallMessageHandler(previous);
    QCOMPARE(debugLines, (QStringList{"press", "press", "press"}));
}

void TestUdp::bindFailureKeepsButtonChecked()
{
    QUdpSocket holder; // another program holds the port exclusively
    QVERIFY(holder.bind(QHostAddress(QHostAddress::Any), 0, QUdpSocket::DontShareAddress));
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    bindOn(window, QString::number(holder.localPort()));

    auto *button = widget<QPushButton>(window, "pbMode");
    QCOMPARE(statusText(window), QStringLiteral("Failed to bind UDP socket"));
    QVERIFY(button->isChecked());
    QCOMPARE(button->styleSheet(), gray);
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
    QCOMPARE(probe.udpSocket().state(), QAbstractSocket::UnconnectedState);
    verifyControlsEnabled(window, true);

    button->click();
    QVERIFY(!button->isChecked());
    QCOMPARE(statusText(window), QStringLiteral("Ethernet connection closed"));
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
}

void TestUdp::unusablePortIsRefused_data()
{
    QTest::addColumn<QString>("text");
    // 65536 would wrap to port 0; the others would read as 0. Either way the system would bind
    // a port that no device sends to.
    QTest::newRow("above the range") << "65536";
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "abc";
    QTest::newRow("blank inside") << "55 000";
}

void TestUdp::unusablePortIsRefused()
{
    QFETCH(QString, text);
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    bindOn(window, text);
    QCOMPARE(statusText(window), QStringLiteral("Failed to bind UDP socket: invalid port"));
    QVERIFY(!widget<QPushButton>(window, "pbMode")->isChecked());
    QCOMPARE(widget<QPushButton>(window, "pbMode")->styleSheet(), gray);
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
    QCOMPARE(probe.udpSocket().state(), QAbstractSocket::UnconnectedState);
    verifyControlsEnabled(window, true);
}

void TestUdp::queuedDatagramsAreAllRead()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    PacedSender device(probe, port);
    for (const char *line : {"1\r\n", "2\r\n3\r\n", "4\r\n"})
        device.send(line);
    QVERIFY(device.waitForReader()); // all four lines are read before the window takes any
    QTRY_COMPARE(probe.yData().at(0).mid(996), (QVector<double>{1, 2, 3, 4}));
}

void TestUdp::lineSplitAcrossDatagrams()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    QUdpSocket device;
    device.writeDatagram("12.", QHostAddress::LocalHost, port);
    QTRY_COMPARE(probe.pendingSeriesBytes(), QByteArray("12."));
    device.writeDatagram("5 7\r", QHostAddress::LocalHost, port);
    QTRY_COMPARE(probe.pendingSeriesBytes(), QByteArray("12.5 7\r"));
    device.writeDatagram("\n", QHostAddress::LocalHost, port);
    QTRY_COMPARE(probe.yData().at(0).last(), 12.5);
    QCOMPARE(probe.yData().at(1).last(), 7.0);
}

void TestUdp::datagramsOnTheMonitorTab()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QTabWidget>(window, "tabWidget_MonitorViews")->setCurrentIndex(1);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    QUdpSocket device;
    device.writeDatagram("first half, ", QHostAddress::LocalHost, port);
    QTRY_VERIFY(!widget<QPlainTextEdit>(window, "plainTextEdit")->toPlainText().isEmpty());
    device.writeDatagram("second \xC2", QHostAddress::LocalHost, port);
    device.writeDatagram("\xB5s\n", QHostAddress::LocalHost, port);
    QTRY_COMPARE(widget<QPlainTextEdit>(window, "plainTextEdit")->toPlainText(),
                 QString::fromUtf8("first half, second µs\n"));
    // A line end cut between two datagrams is one line end.
    device.writeDatagram("line1\r", QHostAddress::LocalHost, port);
    QTest::qWait(30);
    device.writeDatagram("\nline2\r\n", QHostAddress::LocalHost, port);
    QTRY_COMPARE(widget<QPlainTextEdit>(window, "plainTextEdit")->toPlainText(),
                 QString::fromUtf8("first half, second µs\nline1\nline2\n"));
}

void TestUdp::burstLosesNoLine()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    // The window cannot take anything while the device sends: only a reader of its own keeps
    // the socket's small buffer from overflowing.
    PacedSender device(probe, port);
    for (int first = 1; first <= 50000; first += 10)
        QVERIFY(device.send(numberedPairs(first, 10)));
    QTRY_COMPARE_WITH_TIMEOUT(probe.xyXData().size(), 50000, 10000);
    QVERIFY(countsUpFromOne(probe.xyXData()));
}

// A flood the window had no time to show dies with its link: the serial port opened next plots
// its own first line first, not the flood, and no line made of both devices' bytes.
void TestUdp::closedLinkLeavesNothingBehind()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));

    PacedSender device(probe, port);
    for (int i = 0; i < 2000; ++i)
        QVERIFY(device.send(QByteArray("5\r\n").repeated(10)));
    device.send("12");               // an unfinished line
    QVERIFY(device.waitForReader()); // the reader has queued it all; the window took nothing yet

    widget<QPushButton>(window, "pbMode")->click();
    openPort(window, pty.name());
    pty.write("7\r\n");
    QTRY_COMPARE(probe.yData().at(0).last(), 7.0);
    QTest::qWait(50);
    QVector<double> expected(1000, 0.0);
    expected.last() = 7.0;
    QCOMPARE(probe.yData().at(0), expected);
}

// Lines taken in what the label measures as half a second, three of them bad: the status bar
// shows their rate and the dropped lines, and nothing once the link is closed.
qint64 fakeNowMs = 0;

void TestUdp::liveRate()
{
    const auto realClock = MainWindowProbe::setRateClock([] { return fakeNowMs; });
    const auto restoreClock =
        qScopeGuard([realClock] { MainWindowProbe::setRateClock(realClock); });
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    const quint16 port = freePort();
    bindOn(window, QString::number(port));
    auto *rate = widget<QLabel>(window, "label_rate");

    // A thousand numbered lines, three of them bad, taken within what the label measures as
    // half a second.
    PacedSender device(probe, port);
    for (int n = 1; n <= 1000; ++n)
        QVERIFY(device.send(n % 100 == 0 && n <= 300 ? QByteArray("x\r\n")
                                                     : QByteArray::number(n) + "\r\n"));
    QVERIFY(device.waitForReader());
    QTRY_COMPARE(probe.history().end(), qint64(997));
    fakeNowMs += 500;
    probe.updateRateNow();
    QCOMPARE(rate->text(), QStringLiteral("1,994 lines/s \u00b7 3 dropped"));
    // Status-bar messages still show, on the left.
    QCOMPARE(statusText(window),
             QStringLiteral("Error: Invalid number format for channel 0 detected"));

    widget<QPushButton>(window, "pbMode")->click();
    QVERIFY(rate->text().isEmpty());
    fakeNowMs += 600;
    QTest::qWait(600);
    QVERIFY(rate->text().isEmpty());
}

QTEST_MAIN(TestUdp)
#include "tst_udp.moc"
