// Looking closer: freeze and pan, the view back into the history, the measuring cursors.

#include "testsupport.h"

#include "canvasinput.h"
#include "pacedsender.h"

#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>

#include <qwt_scale_widget.h>

#include "view/readout.h"
#include "view/readoutlabel.h"

class TestView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void freezeKeepsEveryLine();
    void scrollBackIntoTheHistory();
    void cursorsReadTheSamples();
};

// Frozen under a UDP flood, the picture stays as it was while every line is still stored;
// unfrozen, the plot shows the newest lines at once and the history holds every one of them.
void TestView::freezeKeepsEveryLine()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    // A P typed into a field goes there.
    auto *portField = widget<QLineEdit>(window, "lineEdit_UDP_PORT");
    portField->setFocus();
    QTest::keyClicks(portField, "P");
    QVERIFY(portField->text().endsWith(QLatin1Char('P')));
    QVERIFY(!probe.view()->isFrozen());
    portField->clearFocus();
    const quint16 port = freePort();
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QString::number(port));
    widget<QPushButton>(window, "pbMode")->click();
    PacedSender device(probe, port);
    const auto send = [&](int first, int last) {
        for (int n = first; n <= last; n += 10) {
            QByteArray datagram;
            for (int i = n; i < n + 10 && i <= last; ++i)
                datagram += QByteArray::number(i) + "\r\n";
            QVERIFY(device.send(datagram));
        }
    };
    // The monitor's tab takes no key of the hidden plot.
    auto *tabs = widget<QTabWidget>(window, "tabWidget_MonitorViews");
    tabs->setCurrentIndex(1);
    QTest::keyClick(&window, Qt::Key_P);
    QTest::keyClick(&window, Qt::Key_T);
    QVERIFY(!probe.view()->isFrozen());
    QVERIFY(widget<QLabel>(window, "label_trigger")->isHidden());
    tabs->setCurrentIndex(0);

    send(1, 2000);
    QTRY_COMPARE(probe.history().end(), qint64(2000));
    QVERIFY(probe.nextFrame());

    QTest::keyClick(&window, Qt::Key_P);
    QVERIFY(probe.view()->isFrozen());
    QVERIFY(widget<QToolButton>(window, "toolButton_freeze")->isChecked());
    QVERIFY(
        widget<QLabel>(window, "label_rate")->text().startsWith(QStringLiteral("Frozen \u00b7 ")));
    QTest::qWait(50);
    const QImage frozen = probe.plot()->canvas()->grab().toImage();
    send(2001, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.history().end(), qint64(60000), 10000);
    QTest::qWait(50);
    QCOMPARE(probe.plot()->canvas()->grab().toImage(), frozen);
    QCOMPARE(curveYs(probe.curves().first()).last(), 2000.0);

    widget<QToolButton>(window, "toolButton_freeze")->click();
    QVERIFY(!probe.view()->isFrozen());
    QVERIFY(probe.nextFrame());
    QCOMPARE(curveYs(probe.curves().first()).last(), 60000.0);
    QVERIFY(probe.plot()->canvas()->grab().toImage() != frozen);
    for (qint64 n = 0; n < 60000; ++n) {
        if (probe.history().at(0, n) != double(n + 1))
            QFAIL(qPrintable(
                QStringLiteral("line %1 holds %2").arg(n + 1).arg(probe.history().at(0, n))));
    }
}

// 30,000 numbered lines at width 1000 put line 30,000 at x 999; frozen, zoomed out and panned
// back, x -20,000 shows line 9,001, the picture is what Qwt draws of the same samples, and the
// value marker reads the line.
void TestView::scrollBackIntoTheHistory()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    // A fixed range that holds the whole ramp, so that the past is in view. The field keeps the
    // focus: the menu below takes it for a while, and leaving the field must not end the zoom.
    widget<QCheckBox>(window, "checkBox_YAutoScale")->click();
    typeInto(widget<QSpinBox>(window, "spinBox_Ymax"), "31000");
    probe.feed(ramp(1, 30000, 1));
    QVERIFY(probe.nextFrame());
    QwtPlot *plot = probe.plot();
    QWidget *canvas = plot->canvas();

    // The plot's menu, before anything was zoomed.
    sendMouse(canvas, QEvent::MouseButtonPress, QPoint(50, 50), Qt::RightButton, Qt::RightButton);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(50, 50),
                                canvas->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(canvas, &menuEvent);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QVERIFY(menu->actions().contains(action(window, "actionFreeze")));
    QVERIFY(!action(window, "actionZoomOut")->isEnabled());
    QVERIFY(!action(window, "actionResetView")->isEnabled());
    menu->close();

    // Zoomed out along the x axis around its right end, live, then dragged into the past,
    // which freezes the view.
    QwtScaleWidget *xAxis = plot->axisWidget(QwtCompat::xBottom);
    const QPoint right = xAxis->mapFromGlobal(canvas->mapToGlobal(pixelOf(plot, 1000, 0)));
    wheel(xAxis, QPoint(right.x(), 5), -12);
    QVERIFY(probe.nextFrame());
    QCOMPARE(plot->axisScaleDiv(QwtCompat::xBottom).upperBound(), 1000.0);
    const QPoint centre = canvas->rect().center();
    QVERIFY(!probe.view()->isFrozen());
    drag(canvas, centre - QPoint(canvas->width() / 3, 0), centre + QPoint(canvas->width() / 3, 0),
         Qt::MiddleButton);
    QVERIFY(probe.view()->isFrozen());
    probe.feed(ramp(30001, 30500, 1)); // stored, not shown
    QVERIFY(probe.nextFrame());
    QwtScaleDiv x = plot->axisScaleDiv(QwtCompat::xBottom);
    QVERIFY2(x.lowerBound() < -20000 && x.upperBound() > -20000,
             qPrintable(QStringLiteral("%1 ... %2").arg(x.lowerBound()).arg(x.upperBound())));

    // What Qwt draws of every sample there is, the history's included.
    QwtPlotCurve plain;
    QVector<QPointF> samples;
    for (qint64 p = -29000; p <= 999; ++p)
        samples << QPointF(double(p), double(p + 29001));
    plain.setSamples(samples);
    plain.setPen(probe.curves().first()->pen());
    QVERIFY(probe.nextFrame());
    const QImage drawn = canvas->grab().toImage();
    plain.attach(plot);
    const QImage reference = drawnCanvas(probe, false);
    plain.detach();
    static_cast<ReducedCurve *>(probe.curves().first())->setReduced(true);
    const PictureDifference d = comparePictures(reference, drawn, 1);
    int line = 0; // the curve's own pixels, the grid's left out
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x)
            line += reference.pixel(x, y) == plain.pen().color().rgb();
    }
    QVERIFY(line > canvas->width());
    QVERIFY2(d.differ <= line / 10,
             qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(d.differ).arg(d.curvePixels)));

    // A rubber band around x -20,000, where a pixel is a fraction of a line.
    drag(canvas, pixelOf(plot, -20020, 9200), pixelOf(plot, -19980, 8800), Qt::LeftButton);
    QVERIFY(probe.nextFrame());
    x = plot->axisScaleDiv(QwtCompat::xBottom);
    QVERIFY(x.lowerBound() > -20030 && x.upperBound() < -19970);
    moveMouseTo(window, -20000, 9001);
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 1);
    QVERIFY(qAbs(probe.pointMarkers().first()->yValue() - 9001) < 0.05);
    QVERIFY(action(window, "actionZoomOut")->isEnabled());

    // Zoom out goes back a step at a time (the band, the drag, the wheel); the frozen view then
    // still starts at 0 ... 1000.
    action(window, "actionZoomOut")->trigger();
    QVERIFY(plot->axisScaleDiv(QwtCompat::xBottom).lowerBound() < -20000);
    action(window, "actionZoomOut")->trigger();
    QVERIFY(probe.view()->isZoomed());
    QCOMPARE(plot->axisScaleDiv(QwtCompat::xBottom).upperBound(), 1000.0);
    action(window, "actionZoomOut")->trigger();
    QVERIFY(!probe.view()->isZoomed());
    QCOMPARE(plot->axisScaleDiv(QwtCompat::xBottom).lowerBound(), 0.0);
    QVERIFY(probe.view()->isFrozen());
}

// On a ramp the readout's values are the numbered lines': at A and B, their difference, and the
// lowest, highest and mean from A to B. Frozen, they stay while lines arrive; live, the lines
// run under the cursors.
void TestView::cursorsReadTheSamples()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    probe.feed(ramp(1, 3000, 2)); // x = p holds line 2001 + p
    QVERIFY(probe.nextFrame());
    QwtPlot *plot = probe.plot();
    QWidget *canvas = plot->canvas();
    const auto readout = [&] {
        const Timeline t = probe.view()->timeline();
        const qint64 a = 200;
        const qint64 b = 700;
        return seriesReadout(t, {0, 1}, &a, &b);
    };
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, pixelOf(plot, 200.2, 100));
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, pixelOf(plot, 699.8, 100));
    QVERIFY(probe.nextFrame());
    const QwtPlotItemList boxes = plot->itemList(QwtPlotItem::Rtti_PlotUserItem + 3);
    QCOMPARE(boxes.size(), 1);
    const auto *box = static_cast<const ReadoutLabel *>(boxes.first());
    QVERIFY(box->text() == readoutText(readout()));

    const auto check = [&](int atA) {
        const Readout r = readout();
        QCOMPARE(r.dx(), 500.0);
        for (int c = 0; c < 2; ++c) {
            const Readout::Channel &ch = r.channels.at(c);
            const double k = c + 1;
            QCOMPARE(ch.atA, k * atA);
            QCOMPARE(ch.atB, k * (atA + 500));
            QCOMPARE(ch.min, k * atA);
            QCOMPARE(ch.max, k * (atA + 500));
            QCOMPARE(ch.mean, k * (atA + 250));
            QCOMPARE(ch.count, qint64(501));
        }
        // Live, the readout follows ten times a second.
        QTRY_VERIFY(box->text() == readoutText(r));
        QVERIFY(box->text().contains(QLocale().toString(double(atA), 'g', 6)));
    };
    check(2201);

    action(window, "actionFreeze")->trigger();
    probe.feed(ramp(3001, 3400, 2));
    QVERIFY(probe.nextFrame());
    QTest::qWait(20);
    check(2201);

    action(window, "actionFreeze")->trigger();
    QVERIFY(probe.nextFrame());
    check(2601);

    // A third click moves the nearer cursor; Escape takes both away.
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, pixelOf(plot, 640, 100));
    QVERIFY(probe.nextFrame());
    QVERIFY(box->text().contains(QStringLiteral("x = 640")));
    QVERIFY(box->text().contains(QStringLiteral("x = 200")));
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(plot->itemList(QwtPlotItem::Rtti_PlotUserItem + 3).isEmpty());
    QVERIFY(!action(window, "actionRemoveCursors")->isEnabled());
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
