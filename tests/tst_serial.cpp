// The serial link, driven like a user does, against a real pseudo terminal.

#include "cputime.h"
#include "testsupport.h"

#include "access/announcer.h"

#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QThread>

namespace {

const QString gray = QStringLiteral("QPushButton { background-color: gray;}");
const QString green = QStringLiteral("QPushButton { background-color: green;}");

void verifyClosedLook(MainWindow &window)
{
    auto *button = widget<QPushButton>(window, "pbOpenPort");
    QVERIFY(!button->isChecked());
    QCOMPARE(button->styleSheet(), gray);
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
    for (QWidget *control : linkControls(window, "pbMode"))
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    QVERIFY(!MainWindowProbe(window).serialPort().isOpen());
}

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void portListShowsNameAndDescription();
    void openShowsConnectedAndLocksTheOtherLink();
    void settingsReachTheTerminal_data();
    void settingsReachTheTerminal();
    void closeAndReopenReadsEachLineOnce();
    void failedOpenStaysReadable_data();
    void failedOpenStaysReadable();
    void lostDeviceClosesTheLink();
    void unplugAndReopenAtOnce();
    void refreshWhileOpen();
    void destroyingTheWindowClosesThePort();
    void chunksAssembleIntoLines();
    void burstLosesNoLine();
};

void TestSerial::portListShowsNameAndDescription()
{
    MainWindow window;
    auto *ports = widget<QComboBox>(window, "cbPortList");
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QCOMPARE(ports->count(), infos.size());
    for (int i = 0; i < infos.size(); ++i) {
        QCOMPARE(ports->itemText(i), infos.at(i).portName() + ' ' + infos.at(i).description());
        QVERIFY(drawsSomething(ports->itemIcon(i)));
        QVERIFY(!ports->itemData(i).isValid());
    }
    QCOMPARE(ports->currentIndex(), infos.isEmpty() ? -1 : 0);
}

void TestSerial::openShowsConnectedAndLocksTheOtherLink()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    openPort(window, pty.name());

    auto *button = widget<QPushButton>(window, "pbOpenPort");
    QVERIFY(button->isChecked());
    QCOMPARE(button->styleSheet(), green);
    QCOMPARE(button->text(), QStringLiteral("Open Serial"));
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(),
             QStringLiteral("Serial<br>Connected"));
    QCOMPARE(statusText(window), QStringLiteral("connected to ") + pty.name());
    QVERIFY(MainWindowProbe(window).serialPort().isOpen());
    QCOMPARE(MainWindowProbe(window).serialPort().openMode(), QIODevice::ReadOnly);
    for (QWidget *control : linkControls(window, "pbMode"))
        QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    for (const char *name : {"pb_refreshports", "pbOpenPort", "frame_6"})
        QVERIFY2(widget<QWidget>(window, name)->isEnabled(), name);

    button->click();
    verifyClosedLook(window);
    QCOMPARE(statusText(window), QStringLiteral("Disconnected"));
}

void TestSerial::settingsReachTheTerminal_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QStringList>("radios");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<bool>("odd");
    QTest::addColumn<bool>("twoStops");

#ifdef Q_OS_UNIX
    QTest::newRow("defaults") << "9600" << QStringList{} << int(B9600) << int(CS8) << false << false
                              << false;
    QTest::newRow("115200 odd 7 bits") << "115200" << QStringList{"rbOddParity", "rb7Bits"}
                                       << int(B115200) << int(CS7) << true << true << false;
    QTest::newRow("1000000 even 6 bits two stops")
        << "1000000" << QStringList{"rbEvenParity", "rb6Bits", "rb2StopBit"} << int(B1000000)
        << int(CS6) << true << false << true;
    QTest::newRow("5 bits") << "9600" << QStringList{"rb5Bits"} << int(B9600) << int(CS5) << false
                            << false << false;
#endif
}

void TestSerial::settingsReachTheTerminal()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
#ifdef Q_OS_UNIX
    QFETCH(QString, baud);
    QFETCH(QStringList, radios);
    QFETCH(int, speed);
    QFETCH(int, size);
    QFETCH(bool, parity);
    QFETCH(bool, odd);
    QFETCH(bool, twoStops);

    PseudoTerminal pty;
    MainWindow window;
    window.show();
    widget<QComboBox>(window, "cbBaudRate")->setEditText(baud);
    for (const QString &radio : radios)
        widget<QRadioButton>(window, radio.toLatin1().constData())->click();
    openPort(window, pty.name());
    QVERIFY(MainWindowProbe(window).serialPort().isOpen());

    // A Linux pseudo terminal keeps speed and stop bits but forces 8 bits without parity
    // enable, so the rest is read back from the port as the program configured it.
    const termios tio = pty.settings();
    QCOMPARE(int(cfgetispeed(&tio)), speed);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStops);
    QCOMPARE(bool(tio.c_cflag & PARODD), odd);
    const QSerialPort &port = MainWindowProbe(window).serialPort();
    const int bits[] = {CS5, CS6, CS7, CS8};
    QCOMPARE(bits[port.dataBits() - 5], size);
    QCOMPARE(port.parity() != QSerialPort::NoParity, parity);
    QCOMPARE(port.parity() == QSerialPort::OddParity, odd);
    QCOMPARE(port.stopBits() == QSerialPort::TwoStop, twoStops);
    QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
    QVERIFY(!(tio.c_cflag & CRTSCTS));
    QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));
#endif
}

void TestSerial::closeAndReopenReadsEachLineOnce()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    auto *button = widget<QPushButton>(window, "pbOpenPort");

    for (int round = 1; round <= 3; ++round) {
        openPort(window, pty.name());
        QVERIFY(button->isChecked());
        pty.write(QByteArray::number(round) + "\r\n");
        QTRY_COMPARE(probe.yData().at(0).last(), double(round));
        // One line, one sample: the previous value sits just before it.
        QCOMPARE(probe.yData().at(0).at(998), double(round - 1));
        button->click();
        verifyClosedLook(window);
    }
}

void TestSerial::failedOpenStaysReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no such device") << "/dev/corvale-no-such-port";
    QTest::newRow("empty name") << "";
}

void TestSerial::failedOpenStaysReadable()
{
    QFETCH(QString, name);
    MainWindow window;
    window.show();
    openPort(window, name);
    verifyClosedLook(window);
    // The failure is the message that stays, not the "Disconnected" of the closing steps.
    QCOMPARE(statusText(window), QStringLiteral("It was impossible to connect to ") + name);
    QTest::qWait(50);
    QCOMPARE(statusText(window), QStringLiteral("It was impossible to connect to ") + name);
}

void TestSerial::lostDeviceClosesTheLink()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    auto pty = std::make_unique<PseudoTerminal>();
    const QString name = pty->name();
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    openPort(window, name);
    QVERIFY(probe.serialPort().isOpen());
    pty->write("1\r\n");
    QTRY_COMPARE(probe.yData().at(0).last(), 1.0);

    // The adapter is unplugged. Qt 6.8's port reports nothing of it and spins on the hung-up
    // descriptor: the program must notice by itself, on every Qt, and a screen reader hears of it.
    QStringList heard;
    QObject listening; // ends the connection with the test
    connect(Announcements::instance(), &Announcements::announced, &listening,
            [&heard](QObject *, const QString &message) { heard << message; });
    pty->closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!widget<QPushButton>(window, "pbOpenPort")->isChecked(), 5000);
    verifyClosedLook(window);
    QCOMPARE(statusText(window), QStringLiteral("Lost connection to ") + name);
    QVERIFY(heard.contains(QStringLiteral("Lost connection to ") + name));

    // Nothing keeps polling the vanished device.
    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double busy = cpuSeconds() - before;
    QVERIFY2(busy < 0.05,
             qPrintable(QStringLiteral("%1 s of CPU in the second after the loss").arg(busy)));
}

// A script unplugs a device and opens the next one before the window heard of the loss: the
// old port's errors must not close the new one, and its unfinished line must not start the new
// device's first line.
void TestSerial::unplugAndReopenAtOnce()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    auto *button = widget<QPushButton>(window, "pbOpenPort");
    auto device = std::make_unique<PseudoTerminal>();
    openPort(window, device->name());

    for (int round = 1; round <= 40; ++round) {
        auto next = std::make_unique<PseudoTerminal>();
        device->write("1\r\n17");
        QTRY_COMPARE(probe.pendingSeriesBytes(), QByteArray("17"));
        device->closeMaster();
        QThread::msleep(20); // the reader sees the loss while the window is busy
        button->click();
        openPort(window, next->name());
        QVERIFY(button->isChecked());
        next->write("900001\r\n");
        QTRY_COMPARE(probe.yData().at(0).last(), 900001.0);
        QTest::qWait(20);
        QVERIFY2(button->isChecked(), qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(probe.yData().at(0).at(998), 1.0);
        device = std::move(next);
    }
}

void TestSerial::refreshWhileOpen()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    openPort(window, pty.name());
    widget<QPushButton>(window, "pb_refreshports")->click();
    auto *ports = widget<QComboBox>(window, "cbPortList");
    QCOMPARE(ports->count(), QSerialPortInfo::availablePorts().size());
    // The typed name is gone: the first entry is current. (Without any port the combo box
    // keeps the typed text, as Qt's combo boxes do.)
    if (ports->count())
        QCOMPARE(ports->currentText(), ports->itemText(0));
    QVERIFY(probe.serialPort().isOpen());
    pty.write("4\r\n");
    QTRY_COMPARE(probe.yData().at(0).last(), 4.0);
}

void TestSerial::destroyingTheWindowClosesThePort()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    {
        MainWindow window;
        window.show();
        openPort(window, pty.name());
        QVERIFY(MainWindowProbe(window).serialPort().isOpen());
    }
    // The port was closed and its lock released: another program can open it now.
    QSerialPort other(pty.name());
    QVERIFY2(other.open(QIODevice::ReadOnly), qPrintable(other.errorString()));
}

void TestSerial::chunksAssembleIntoLines()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 3);
    openPort(window, pty.name());

    pty.write("1.5 -2 3");
    QTest::qWait(30);
    pty.write("e2\r");
    QTest::qWait(30);
    QCOMPARE(probe.yData().at(2).last(), 0.0); // not a line until the LF arrives
    pty.write("\n4 5 6\r\n7 8 9\r\n");
    QTRY_COMPARE(probe.yData().at(0).last(), 7.0);
    QCOMPARE(probe.yData().at(0).mid(997), (QVector<double>{1.5, 4, 7}));
    QCOMPARE(probe.yData().at(1).mid(997), (QVector<double>{-2, 5, 8}));
    QCOMPARE(probe.yData().at(2).mid(997), (QVector<double>{300, 6, 9}));
    QCOMPARE(curveYs(probe.curves().at(2)).mid(997), (QVector<double>{300, 6, 9}));
}

void TestSerial::burstLosesNoLine()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    openPort(window, pty.name());

    // The window cannot read while the device writes: only a reader of its own keeps the
    // terminal from filling up (a real device, unlike this one, cannot wait).
    QVERIFY(pty.writeWithin(numberedPairs(1, 50000), 5000));
    QTRY_COMPARE_WITH_TIMEOUT(probe.xyXData().size(), 50000, 10000);
    QVERIFY(countsUpFromOne(probe.xyXData()));
}

QTEST_MAIN(TestSerial)
#include "tst_serial.moc"
