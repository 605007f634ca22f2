// The serial link end to end on Windows, through a real COM port: run by .ci/run under Wine,
// with the port mapped onto a pseudo terminal that the Linux corvale-feed writes into
// ("--pty --wave ramp --channels 2 --rate 0"). The script stops the feeder before this starts,
// and resumes and kills it when this asks, by making the files "resume" and "unplug" in the
// folder CORVALE_TEST_HANDSHAKE. CORVALE_TEST_PORT names the port (COM12).

#include "cputime.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

#include <cmath>

namespace {

QString portName()
{
    return qEnvironmentVariable("CORVALE_TEST_PORT");
}

void tellTheScript(const QString &what)
{
    QFile file(QDir(qEnvironmentVariable("CORVALE_TEST_HANDSHAKE")).filePath(what));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
}

// The feeder's ramp on channel `field` at line n, as it prints it (two decimals).
double ramp(int field, qint64 n)
{
    const double top[] = {1000, 850};
    const double period[] = {250, 180};
    const double offset = field * period[field] / 6;
    return top[field] * std::fmod(double(n) + offset, period[field]) / period[field];
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initCorvaleResources();
        QVERIFY2(!portName().isEmpty(), "CORVALE_TEST_PORT names the COM port to read");
    }

    void portIsListedWithItsDescription()
    {
        MainWindow window;
        const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
        auto *ports = widget<QComboBox>(window, "cbPortList");
        bool listed = false;
        for (int i = 0; i < infos.size(); ++i) {
            QCOMPARE(ports->itemText(i), infos.at(i).portName() + ' ' + infos.at(i).description());
            listed = listed || infos.at(i).portName() == portName();
        }
        QVERIFY2(listed, qPrintable(portName()));
    }

    void plotsEveryLineAndNoticesTheLoss()
    {
        MainWindow window;
        window.show();
        MainWindowProbe probe(window);
        chooseChannelCount(window, 2);
        auto *button = widget<QPushButton>(window, "pbOpenPort");
        openPort(window, portName());
        QVERIFY(button->isChecked());
        QCOMPARE(statusText(window), QStringLiteral("connected to ") + portName());

        // The stopped feeder left its first lines in the terminal; once they are read, an open
        // port with nothing arriving costs nothing.
        QTRY_VERIFY(probe.history().end() > 0);
        QTest::qWait(1000);
        const double before = cpuSeconds();
        QTest::qWait(1000);
        const double idle = cpuSeconds() - before;
        QVERIFY2(idle < 0.05,
                 qPrintable(QStringLiteral("%1 s of CPU in an idle second").arg(idle)));

        tellTheScript(QStringLiteral("resume"));
        QTRY_VERIFY_WITH_TIMEOUT(probe.history().end() >= 50000, 120000);
        tellTheScript(QStringLiteral("unplug"));
        QTRY_VERIFY_WITH_TIMEOUT(!button->isChecked(), 10000);
        QCOMPARE(statusText(window), QStringLiteral("Lost connection to ") + portName());

        // Every line the feeder wrote, from its first, in order.
        const History &history = probe.history();
        QCOMPARE(history.oldest(), qint64(0));
        for (qint64 n = 0; n < history.end(); ++n) {
            for (int field = 0; field < 2; ++field) {
                const double value = history.at(field, n);
                if (std::abs(value - ramp(field, n)) > 0.006)
                    QFAIL(qPrintable(QStringLiteral("line %1, channel %2: %3, not %4")
                                         .arg(n)
                                         .arg(field + 1)
                                         .arg(value)
                                         .arg(ramp(field, n))));
            }
        }

        // Nothing keeps polling the vanished device.
        const double afterLoss = cpuSeconds();
        QTest::qWait(1000);
        const double busy = cpuSeconds() - afterLoss;
        QVERIFY2(busy < 0.05,
                 qPrintable(QStringLiteral("%1 s of CPU in the second after the loss").arg(busy)));
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
