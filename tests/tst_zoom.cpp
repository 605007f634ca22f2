// Zooming: a rubber band and the wheel, and the way back to what the panel set.

#include "testsupport.h"

#include "canvasinput.h"

namespace {

struct Axes
{
    bool autoScale;
    double xMin, xMax, yMin, yMax;
};

Axes axes(QwtPlot *plot)
{
    const QwtScaleDiv x = plot->axisScaleDiv(QwtCompat::xBottom);
    const QwtScaleDiv y = plot->axisScaleDiv(QwtCompat::yLeft);
    return {plot->axisAutoScale(QwtCompat::yLeft), x.lowerBound(), x.upperBound(), y.lowerBound(),
            y.upperBound()};
}

} // namespace

class TestZoom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void zoomAndResetView_data();
    void zoomAndResetView();
    void zoomOutEndsAtTheWholeHistory_data();
    void zoomOutEndsAtTheWholeHistory();
};

void TestZoom::zoomAndResetView_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("auto scale") << "auto";
    QTest::newRow("fixed Y range") << "fixed";
    QTest::newRow("XY") << "xy";
}

// A rubber band zooms to the axis ranges it covers, a plain click zooms nothing, Escape gives
// back what the panel set, and an edit in the panel ends the zoom and applies as it always did.
void TestZoom::zoomAndResetView()
{
    QFETCH(QString, mode);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    QwtPlot *plot = probe.plot();
    QWidget *canvas = plot->canvas();
    auto *autoScale = widget<QCheckBox>(window, "checkBox_YAutoScale");
    if (mode == QLatin1String("fixed"))
        autoScale->click();
    if (mode == QLatin1String("xy")) {
        widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
        probe.feed(numberedPairs(-400, 800));
    } else {
        typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "1000");
        probe.feed(ramp(1, 1500, 1));
    }
    QVERIFY(probe.nextFrame());
    const Axes before = axes(plot);

    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(120, 90));
    QVERIFY(!probe.view()->isZoomed());

    const QPoint from(100, 80);
    const QPoint to(400, 300);
    const double x1 = QwtCompat::invTransform(plot, QwtCompat::xBottom, from.x());
    const double x2 = QwtCompat::invTransform(plot, QwtCompat::xBottom, to.x());
    const double y1 = QwtCompat::invTransform(plot, QwtCompat::yLeft, to.y());
    const double y2 = QwtCompat::invTransform(plot, QwtCompat::yLeft, from.y());
    drag(canvas, from, to, Qt::LeftButton);
    QVERIFY(probe.nextFrame());
    Axes zoomed = axes(plot);
    QCOMPARE(zoomed.xMin, x1);
    QCOMPARE(zoomed.xMax, x2);
    QCOMPARE(zoomed.yMin, y1);
    QCOMPARE(zoomed.yMax, y2);
    QVERIFY(!zoomed.autoScale);
    // Lines go on under the zoomed view; it stays.
    probe.feed(mode == QLatin1String("xy") ? numberedPairs(900, 50) : ramp(5000, 5050, 1));
    QVERIFY(probe.nextFrame());
    QCOMPARE(axes(plot).yMax, y2);

    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(probe.nextFrame());
    const Axes reset = axes(plot);
    QCOMPARE(reset.autoScale, before.autoScale);
    QCOMPARE(reset.xMin, before.xMin);
    QCOMPARE(reset.xMax, before.xMax);
    if (!before.autoScale) {
        QCOMPARE(reset.yMin, before.yMin);
        QCOMPARE(reset.yMax, before.yMax);
    }

    // An edit in the panel ends the zoom, and the panel's axes apply.
    drag(canvas, from, to, Qt::LeftButton);
    QVERIFY(probe.view()->isZoomed());
    if (mode == QLatin1String("auto")) {
        autoScale->click();
        QCOMPARE(axes(plot).yMin, 0.0);
        QCOMPARE(axes(plot).yMax, 2000.0);
    } else if (mode == QLatin1String("fixed")) {
        typeInto(widget<QSpinBox>(window, "spinBox_Ymax"), "500");
        QCOMPARE(axes(plot).yMax, 500.0);
    } else {
        typeInto(widget<QSpinBox>(window, "spinBox_Xmin"), "-50");
        QCOMPARE(axes(plot).xMin, -50.0);
    }
    QVERIFY(!probe.view()->isZoomed());
    QVERIFY(!action(window, "actionResetView")->isEnabled());
    if (mode != QLatin1String("xy"))
        QCOMPARE(axes(plot).xMax, 1000.0);
}

void TestZoom::zoomOutEndsAtTheWholeHistory_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("where"); // -1 the canvas's left edge, 0 its centre, 1 its right edge
    QTest::newRow("left edge") << "series" << -1;
    QTest::newRow("centre") << "series" << 0;
    QTest::newRow("right edge") << "series" << 1;
    QTest::newRow("XY, left edge") << "xy" << -1;
    QTest::newRow("XY, right edge") << "xy" << 1;
}

// However many notches the wheel turns out, wherever the mouse is, the view ends at the whole
// history (the XY points' extent) and the values in it: never beyond the newest sample, never a
// view with nothing in it; and "Reset view" goes back to the panel's.
void TestZoom::zoomOutEndsAtTheWholeHistory()
{
    QFETCH(QString, mode);
    QFETCH(int, where);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    QwtPlot *plot = probe.plot();
    QWidget *canvas = plot->canvas();
    const bool xy = mode == QLatin1String("xy");
    QByteArray lines;
    if (xy) {
        widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
        lines = numberedPairs(-400, 800);
    } else {
        for (int n = 0; n < 40000; ++n)
            lines += QByteArray::number(n % 1000) + "\r\n";
    }
    probe.feed(lines);
    QTest::keyClick(&window, Qt::Key_P);
    QVERIFY(probe.view()->isFrozen());
    QVERIFY(probe.nextFrame());
    const Axes panel = axes(plot);

    const QPoint at(where < 0   ? 0
                    : where > 0 ? canvas->width() - 1
                                : canvas->width() / 2,
                    canvas->height() / 2);
    for (int notches : {-25, -60}) {
        wheel(canvas, at, notches);
        QVERIFY(probe.nextFrame());
        const Axes view = axes(plot);
        const QString text = QStringLiteral("x %1 ... %2, y %3 ... %4")
                                 .arg(view.xMin, 0, 'g', 17)
                                 .arg(view.xMax, 0, 'g', 17)
                                 .arg(view.yMin, 0, 'g', 17)
                                 .arg(view.yMax, 0, 'g', 17);
        if (xy) {
            // The pairs' extent with a margin, or the panel's range where it is wider.
            const PointStore::Bounds b = {-400, 399, -400, 399};
            QVERIFY2(qAbs(view.xMin - qMin(panel.xMin, b.minX - 39.95)) < 1e-6 &&
                         qAbs(view.xMax - qMax(panel.xMax, b.maxX + 39.95)) < 1e-6,
                     qPrintable(text));
            QVERIFY2(view.yMin <= b.minY && view.yMin > b.minY - 100 && view.yMax >= b.maxY &&
                         view.yMax < b.maxY + 100,
                     qPrintable(text));
        } else {
            QVERIFY2(view.xMin == -39000 && view.xMax == 1000, qPrintable(text));
            // Qwt's scales keep their bounds to a few parts in a billion.
            QVERIFY2(qAbs(view.yMin + 49.95) < 1e-6 && qAbs(view.yMax - 1048.95) < 1e-6,
                     qPrintable(text));
        }
        QVERIFY(action(window, "actionResetView")->isEnabled());
    }
    action(window, "actionResetView")->trigger();
    QCOMPARE(axes(plot).xMin, panel.xMin);
    QCOMPARE(axes(plot).xMax, panel.xMax);
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
