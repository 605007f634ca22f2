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
#include <QTabWidget>

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
        const History &history = probe.history();
        chooseChannelCount(window, 2);
        auto *button = widget<QPushButton>(window, "pbOpenPort");
        openPort(window, portName());
        QVERIFY(button->isChecked());
        QCOMPARE(statusText(window), QStringLiteral("connected to ") + portName());

        // The stopped feeder left its first lines in the terminal; once they are read, an open
        // port with nothing arriving costs nothing.
        QTRY_VERIFY(history.end() > 0);
        QTest::qWait(1000);
        const double before = cpuSeconds();
        QTest::qWait(1000);
        const double idle = cpuSeconds() - before;
        QVERIFY2(idle < 0.05,
                 qPrintable(QStringLiteral("%1 s of CPU in an idle second").arg(idle)));
        // Every line the feeder wrote, from its first, in order.
        QCOMPARE(history.oldest(), qint64(0));
        verifyRamp(history, 0, 0);

        // Closed and opened again, and its input discarded by a change of tab: the port goes on
        // reading. (A line cut short by the discard may start what follows.)
        button->click();
        QVERIFY(!button->isChecked());
        openPort(window, portName());
        QVERIFY(button->isChecked());
        auto *tabs = widget<QTabWidget>(window, "tabWidget_MonitorViews");
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
        QCOMPARE(history.end(), qint64(0));

        tellTheScript(QStringLiteral("resume"));
        QTRY_VERIFY_WITH_TIMEOUT(history.end() >= 50000, 120000);
        tellTheScript(QStringLiteral("unplug"));
        QTRY_VERIFY_WITH_TIMEOUT(!button->isChecked(), 10000);
        QCOMPARE(statusText(window), QStringLiteral("Lost connection to ") + portName());

        // From the second line on, every line in order: the first whole line tells where in the
        // feeder's ramp (its period is 4,500 lines) the rest must be.
        qint64 start = -1;
        for (qint64 n = 0; n < 4500 && start < 0; ++n) {
            if (std::abs(history.at(0, 1) - ramp(0, n)) < 0.006 &&
                std::abs(history.at(1, 1) - ramp(1, n)) < 0.006)
                start = n;
        }
        QVERIFY2(start >= 0, "the second line is not one the feeder sends");
        verifyRamp(history, 1, start);

        // Nothing keeps polling the vanished device.
        const double afterLoss = cpuSeconds();
        QTest::qWait(1000);
        const double busy = cpuSeconds() - afterLoss;
        QVERIFY2(busy < 0.05,
                 qPrintable(QStringLiteral("%1 s of CPU in the second after the loss").arg(busy)));
    }

private:
    // The history from line `first` on holds the feeder's lines from `line` on, each once.
    static void verifyRamp(const History &history, qint64 first, qint64 line)
    {
        for (qint64 n = first; n < history.end(); ++n) {
            for (int field = 0; field < 2; ++field) {
                const double value = history.at(field, n);
                const double expected = ramp(field, line + n - first);
                if (std::abs(value - expected) > 0.006)
                    QFAIL(qPrintable(QStringLiteral("line %1, channel %2: %3, not %4")
                                         .arg(n)
                                         .arg(field + 1)
                                         .arg(value)
                                         .arg(expected)));
            }
        }
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
