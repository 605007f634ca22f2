// The trigger: which lines cross the level and which sweeps they make, and the sweeps the window
// shows of a square wave.

#include "testsupport.h"

#include "canvasinput.h"
#include "pacedsender.h"

#include "plotting/samplestore.h"
#include "trigger/triggercontrols.h"
#include "trigger/triggerdetector.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QTest>
#include <QVector>

using Mode = TriggerSettings::Mode;
using Slope = TriggerSettings::Slope;
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(Slope)

namespace {

// A sweep as the test sees it: the triggering line, the last line, the line that completed it.
struct Seen
{
    qint64 trigger;
    qint64 newest;
    qint64 completedBy;
};

// "(trigger newest completedBy)" for each sweep, for comparing.
QString text(const QVector<Seen> &sweeps)
{
    QString text;
    for (const Seen &s : sweeps)
        text += QStringLiteral("(%1 %2 %3)").arg(s.trigger).arg(s.newest).arg(s.completedBy);
    return text;
}

QVector<double> repeated(const QVector<double> &pattern, int times)
{
    QVector<double> values;
    for (int i = 0; i < times; ++i)
        values += pattern;
    return values;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Seen>)

class TestTrigger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void sweepsOfTheSamples_data();
    void sweepsOfTheSamples();
    void singleFreezesOnTheSweep();
    void normalShowsASweepPerCrossing();
};

void TestTrigger::sweepsOfTheSamples_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<Slope>("slope");
    QTest::addColumn<double>("hysteresis");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("position");
    QTest::addColumn<QVector<double>>("values"); // line n carries values[n]; the level is 1
    QTest::addColumn<qint64>("crossings");
    QTest::addColumn<QVector<Seen>>("sweeps");

    const QVector<double> step = {0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2};
    QTest::newRow("rising") << Mode::Normal << Slope::Rising << 0.0 << 4 << 0.5 << step << qint64(1)
                            << QVector<Seen>{{3, 4, 4}};
    QTest::newRow("rising misses a fall")
        << Mode::Normal << Slope::Rising << 0.0 << 4 << 0.5 << QVector<double>{2, 2, 0, 0, 0, 0}
        << qint64(0) << QVector<Seen>{};
    QTest::newRow("falling") << Mode::Normal << Slope::Falling << 0.0 << 4 << 0.5
                             << QVector<double>{2, 2, 0, 0, 0, 0} << qint64(1)
                             << QVector<Seen>{{2, 3, 3}};
    QTest::newRow("either, a sweep's width apart")
        << Mode::Normal << Slope::Either << 0.0 << 4 << 0.5
        << QVector<double>{0, 2, 2, 2, 2, 0, 0, 0} << qint64(2)
        << QVector<Seen>{{1, 2, 2}, {5, 6, 6}};
    QTest::newRow("a spike one line long")
        << Mode::Normal << Slope::Rising << 0.0 << 6 << 0.5
        << QVector<double>{0, 0, 0, 7, 0, 0, 0, 0} << qint64(1) << QVector<Seen>{{3, 5, 5}};
    QTest::newRow("exactly at the level counts as crossed")
        << Mode::Normal << Slope::Rising << 0.0 << 2 << 0.5 << QVector<double>{0, 1, 1} << qint64(1)
        << QVector<Seen>{{1, 1, 1}};
    // Noise around the level: every rise crosses without hysteresis, only the first with.
    const QVector<double> noise = QVector<double>{0} + repeated({0.95, 1.05}, 20);
    QTest::newRow("noise at the level, no hysteresis")
        << Mode::Normal << Slope::Rising << 0.0 << 4 << 0.5 << noise << qint64(20)
        << QVector<Seen>{{2, 3, 3},    {6, 7, 7},    {10, 11, 11}, {14, 15, 15}, {18, 19, 19},
                         {22, 23, 23}, {26, 27, 27}, {30, 31, 31}, {34, 35, 35}, {38, 39, 39}};
    QTest::newRow("noise at the level, hysteresis 0.2")
        << Mode::Normal << Slope::Rising << 0.2 << 4 << 0.5 << noise << qint64(1)
        << QVector<Seen>{{2, 3, 3}};
    // After arming, a first line above the level has crossed nothing: no line before it.
    QTest::newRow("the first line after arming, above")
        << Mode::Normal << Slope::Rising << 0.0 << 4 << 0.5 << QVector<double>{3, 3, 0, 3, 3, 3}
        << qint64(1) << QVector<Seen>{{3, 4, 4}};
    QTest::newRow("position 10 %") << Mode::Normal << Slope::Rising << 0.0 << 10 << 0.1
                                   << repeated({0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 1)
                                   << qint64(1) << QVector<Seen>{{3, 11, 11}};
    QTest::newRow("position 90 %: complete with the crossing's own line")
        << Mode::Normal << Slope::Rising << 0.0 << 10 << 0.9 << step << qint64(1)
        << QVector<Seen>{{3, 3, 3}};
    // A crossing every 4 lines, sweeps of 10: the next sweep starts a sweep's width later.
    const QVector<double> fast = repeated({0, 0, 2, 2}, 10);
    QTest::newRow("normal waits out the hold-off")
        << Mode::Normal << Slope::Rising << 0.0 << 10 << 0.5 << fast << qint64(10)
        << QVector<Seen>{{2, 6, 6}, {14, 18, 18}, {26, 30, 30}};
    QTest::newRow("single: the first sweep, then nothing")
        << Mode::Single << Slope::Rising << 0.0 << 10 << 0.5 << fast << qint64(2)
        << QVector<Seen>{{2, 6, 6}};
    QTest::newRow("off") << Mode::Off << Slope::Either << 0.0 << 4 << 0.5 << fast << qint64(0)
                         << QVector<Seen>{};
}

void TestTrigger::sweepsOfTheSamples()
{
    QFETCH(Mode, mode);
    QFETCH(Slope, slope);
    QFETCH(double, hysteresis);
    QFETCH(int, width);
    QFETCH(double, position);
    QFETCH(QVector<double>, values);
    QFETCH(qint64, crossings);
    QFETCH(QVector<Seen>, sweeps);

    TriggerSettings settings;
    settings.mode = mode;
    settings.slope = slope;
    settings.channel = 1;
    settings.level = 1;
    settings.hysteresis = hysteresis;
    settings.position = position;
    TriggerDetector detector;
    // Lines before arming do not count.
    detector.arm(settings, width);
    detector.disarm();
    const double before[] = {0, 0};
    detector.take(0, before, 2, 0);
    detector.arm(settings, width);

    QVector<Seen> seen;
    for (int n = 0; n < values.size(); ++n) {
        const double line[] = {-1, values.at(n)};
        const bool completed = detector.take(n, line, 2, 1000 + n);
        TriggerDetector::Sweep sweep;
        QCOMPARE(detector.takeSweep(&sweep), completed);
        if (completed) {
            QCOMPARE(sweep.arrivedAt, 1000 + sweep.trigger);
            QCOMPARE(sweep.newest - sweep.trigger, qint64(width - detector.before() - 1));
            seen.append({sweep.trigger, sweep.newest, n});
        }
    }
    QCOMPARE(text(seen), text(sweeps));
    QCOMPARE(detector.crossings(), crossings);
    QCOMPARE(detector.sweeps(), qint64(sweeps.size()));
}

namespace {

// Line n (from 1) carries n and a square wave: -100 for 250 lines, then 100 for 250.
QByteArray squareLine(int n)
{
    return QByteArray::number(n) + ' ' + ((n - 1) / 250 % 2 ? "100" : "-100") + "\r\n";
}

} // namespace

// Armed in Single on channel 2 rising through 0, 30 % before the trigger point, from the box:
// a UDP flood freezes the plot on the sweep whose trigger point is the first line of the first
// rise, the 300th position, with the samples sent; the part before the first line is empty.
// What it draws is what Qwt draws of those samples.
void TestTrigger::singleFreezesOnTheSweep()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    action(window, "actionTrigger")->trigger();
    auto *box = window.findChild<QDialog *>(QStringLiteral("triggerBox"));
    QVERIFY(box && box->isVisible());
    widget<QComboBox>(*box, "comboBox_triggerChannel")->setCurrentIndex(1);
    typeInto(widget<QSpinBox>(*box, "spinBox_triggerPosition"), QStringLiteral("30"));
    widget<QRadioButton>(*box, "radioButton_triggerSingle")->click();
    box->close();
    QCOMPARE(widget<QLabel>(window, "label_trigger")->text(),
             QStringLiteral("Armed \u00b7 Ch 2 \u2191 0"));

    const quint16 port = freePort();
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QString::number(port));
    widget<QPushButton>(window, "pbMode")->click();
    PacedSender device(probe, port);
    for (int n = 1; n <= 3000; n += 10) {
        QByteArray datagram;
        for (int i = n; i < n + 10; ++i)
            datagram += squareLine(i);
        QVERIFY(device.send(datagram));
    }
    QTRY_COMPARE(probe.history().end(), qint64(3000));
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.view()->isFrozen() && probe.view()->showsSweep());
    QVERIFY(
        widget<QLabel>(window, "label_trigger")->text().startsWith(QStringLiteral("Triggered")));

    // Line 251 rose first; it stands at position 300. Position p holds line p - 49.
    const QVector<QPointF> samples = curvePoints(probe.curves().at(1));
    QCOMPARE(samples.size(), 950);
    QCOMPARE(samples.first(), QPointF(50, -100));
    QCOMPARE(samples.at(300 - 50), QPointF(300, 100));
    QCOMPARE(samples.at(299 - 50), QPointF(299, -100));
    const QVector<QPointF> numbers = curvePoints(probe.curves().at(0));
    for (const QPointF &p : numbers)
        QCOMPARE(p.y(), p.x() - 49);

    // The picture against Qwt's drawing of the lines sent.
    const QImage drawn = probe.plot()->canvas()->grab().toImage();
    QList<QwtPlotCurve *> plain;
    for (int c = 0; c < 2; ++c) {
        auto *curve = new QwtPlotCurve;
        QVector<QPointF> expected;
        for (int p = 50; p < 1000; ++p) {
            const QList<QByteArray> fields = squareLine(p - 49).trimmed().split(' ');
            expected << QPointF(p, fields.at(c).toDouble());
        }
        curve->setSamples(expected);
        curve->setPen(probe.curves().at(c)->pen());
        curve->attach(probe.plot());
        probe.curves().at(c)->setVisible(false);
        plain << curve;
    }
    probe.plot()->replot();
    const QImage reference = probe.plot()->canvas()->grab().toImage();
    qDeleteAll(plain);
    const PictureDifference d = comparePictures(reference, drawn, 1);
    QVERIFY(d.curvePixels > 0);
    QVERIFY2(d.differ <= d.curvePixels / 50,
             qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(d.differ).arg(d.curvePixels)));

    // Every line went on being kept; T arms again and the plot runs.
    // The box had the focus last; a window manager would give it back on closing the box.
    window.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    QTest::keyClick(&window, Qt::Key_T);
    QVERIFY(!probe.view()->isFrozen() && !probe.view()->showsSweep());
}

// Normal: every crossing, a sweep's width apart, makes the next sweep on the plot.
void TestTrigger::normalShowsASweepPerCrossing()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    auto *controls = window.findChild<TriggerControls *>(QStringLiteral("triggerControls"));
    action(window, "actionTrigger")->trigger();
    auto *box = window.findChild<QDialog *>(QStringLiteral("triggerBox"));
    widget<QComboBox>(*box, "comboBox_triggerChannel")->setCurrentIndex(1);
    widget<QRadioButton>(*box, "radioButton_triggerNormal")->click();
    box->close();
    int sweepsShown = 0;
    connect(probe.view(), &PlotView::shownStoresChanged, this,
            [&] { sweepsShown += probe.view()->showsSweep() ? 1 : 0; });
    // A rise every 500 lines, sweeps of 1000: every other rise waits out the hold-off.
    int n = 1;
    for (int chunk = 1; chunk <= 6; ++chunk) {
        QByteArray lines;
        for (int end = n + 1000; n < end; ++n)
            lines += squareLine(n);
        int paints = 0;
        PaintWatcher watcher(probe.plot()->canvas(), [&paints] { ++paints; });
        probe.feed(lines);
        QVERIFY(probe.nextFrame());
        QTest::qWait(50);
        QCOMPARE(sweepsShown, chunk);
        // Drawn once: taking the sweep asks for no second frame (the first chunk also draws
        // the window's first).
        if (chunk > 1)
            QCOMPARE(paints, 1);
    }
    QCOMPARE(controls->detector().crossings(), qint64(12));
    QVERIFY(!probe.view()->isFrozen());
    // The newest sweep: its trigger point holds the rise of line 5251.
    QCOMPARE(curvePoints(probe.curves().at(0)).at(500), QPointF(500, 5251));
}

QTEST_MAIN(TestTrigger)
#include "tst_trigger.moc"
