// The plot tab before and between data: curves, crosshair, channel table and axis ranges.

#include "testsupport.h"

#include <QLabel>
#include <QTableWidget>

#include <qwt_plot_grid.h>
#include <qwt_text.h>

class TestPlot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void startUpPlot();
    void channelCountRebuildsEverything();
    void rebuildResetsTableSettings();
    void channelTableIsTintedOnScreen();
    void plotWidthResizesBuffers();
    void plotWidthZeroStoresNothing();
    void yAutoScaleAndFixedRange();
    void xyRangeDivision();
};

void TestPlot::startUpPlot()
{
    MainWindow window;
    MainWindowProbe probe(window);
    QwtPlot *plot = probe.plot();
    QVERIFY(plot);
    QCOMPARE(plot->parentWidget(), widget<QWidget>(window, "plotWidget"));
    QVERIFY(!plot->autoReplot());
    QCOMPARE(plot->canvasBackground().color(), QColor(230, 230, 230));
    QVERIFY(plot->canvas()->hasMouseTracking());

    const QwtPlotItemList curves = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 1);
    auto *curve = static_cast<QwtPlotCurve *>(curves.first());
    QCOMPARE(curve->title().text(), QStringLiteral("Data 1"));
    QCOMPARE(curve->pen().color(), QColor(0x00, 0x55, 0xff));
    QCOMPARE(curve->pen().widthF(), 0.0);
    QCOMPARE(curve->pen().style(), Qt::SolidLine);
    QCOMPARE(curve->dataSize(), size_t(1000));
    const QVector<QPointF> points = curvePoints(curve);
    for (int i = 0; i < points.size(); ++i)
        QCOMPARE(points.at(i), QPointF(i, 0.0));

    const QwtPlotItemList grids = plot->itemList(QwtPlotItem::Rtti_PlotGrid);
    QCOMPARE(grids.size(), 1);
    auto *grid = static_cast<QwtPlotGrid *>(grids.first());
    QVERIFY(grid->xEnabled());
    QVERIFY(grid->yEnabled());
    QCOMPARE(grid->majorPen().color(), QColor(Qt::gray));
    QCOMPARE(grid->majorPen().style(), Qt::DotLine);

    const QwtPlotItemList markers = plot->itemList(QwtPlotItem::Rtti_PlotMarker);
    QCOMPARE(markers.size(), 2);
    QCOMPARE(probe.vLine()->lineStyle(), QwtPlotMarker::VLine);
    QCOMPARE(probe.hLine()->lineStyle(), QwtPlotMarker::HLine);
    for (QwtPlotMarker *marker : {probe.vLine(), probe.hLine()}) {
        QVERIFY(!marker->isVisible());
        QCOMPARE(marker->linePen().color(), QColor(Qt::black));
        QCOMPARE(marker->linePen().style(), Qt::DashLine);
    }
    // Nothing else: no title, legend or other item (but the one that draws the curves).
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotUserItem + 1).size(), 1);
    QCOMPARE(plot->itemList().size(), 5);
    QVERIFY(plot->title().isEmpty());
}

void TestPlot::channelCountRebuildsEverything()
{
    MainWindow window;
    MainWindowProbe probe(window);
    auto *table = widget<QTableWidget>(window, "tableWidget");
    const QList<QColor> colors{QColor("#0055ff"), QColor("#ff5500"), QColor("#00aa55"),
                               QColor("#ff00aa"), QColor("#ffaa00"), QColor("#aa00ff")};

    for (int count : {2, 5, 6, 1, 3}) {
        chooseChannelCount(window, count);
        const QwtPlotItemList curves = probe.plot()->itemList(QwtPlotItem::Rtti_PlotCurve);
        QCOMPARE(curves.size(), count);
        QCOMPARE(table->rowCount(), count);
        QCOMPARE(probe.yData().size(), count);
        for (int i = 0; i < count; ++i) {
            auto *curve = static_cast<QwtPlotCurve *>(curves.at(i));
            QCOMPARE(curve->title().text(), QStringLiteral("Data %1").arg(i + 1));
            QCOMPARE(curve->pen().color(), colors.at(i));
            QCOMPARE(curveYs(curve), QVector<double>(1000, 0.0));
            QCOMPARE(table->cellWidget(i, 0)->findChild<QLabel *>()->text(),
                     QStringLiteral("Channel %1").arg(i + 1));
            for (int column = 0; column < 3; ++column) {
                QWidget *cell = table->cellWidget(i, column);
                QVERIFY(cell->autoFillBackground());
                QCOMPARE(cell->palette().color(QPalette::Active, QPalette::Base), colors.at(i));
                QCOMPARE(cell->palette().color(QPalette::Inactive, QPalette::Base), colors.at(i));
                QCOMPARE(cell->palette().color(QPalette::Disabled, QPalette::Base), colors.at(i));
            }
        }
        // Exactly one crosshair pair, hidden, however often the plot was rebuilt.
        QCOMPARE(probe.plot()->itemList(QwtPlotItem::Rtti_PlotMarker).size(), 2);
        QVERIFY(!probe.vLine()->isVisible());
        QCOMPARE(probe.plot()->itemList(QwtPlotItem::Rtti_PlotGrid).size(), 1);
    }
}

void TestPlot::rebuildResetsTableSettings()
{
    MainWindow window;
    chooseChannelCount(window, 2);
    cellCheckBox(window, 0, 0)->setChecked(false);
    cellCheckBox(window, 1, 1)->setChecked(true);
    cellSpinBox(window, 1, 1)->setValue(2.5);
    cellCheckBox(window, 1, 2)->setChecked(true);
    cellSpinBox(window, 1, 2)->setValue(-4);

    chooseChannelCount(window, 3);
    for (int row = 0; row < 3; ++row) {
        QVERIFY(cellCheckBox(window, row, 0)->isChecked());
        QVERIFY(!cellCheckBox(window, row, 1)->isChecked());
        QVERIFY(!cellCheckBox(window, row, 2)->isChecked());
        QCOMPARE(cellSpinBox(window, row, 1)->value(), 1.0);
        QCOMPARE(cellSpinBox(window, row, 2)->value(), 0.0);
        // Two decimals round the lower bound 0.001 down: a gain of 0 can be entered.
        QCOMPARE(cellSpinBox(window, row, 1)->minimum(), 0.0);
        QCOMPARE(cellSpinBox(window, row, 1)->decimals(), 2);
        QCOMPARE(cellSpinBox(window, row, 1)->maximum(), 1e9);
        QCOMPARE(cellSpinBox(window, row, 2)->minimum(), -1e9);
        QCOMPARE(cellSpinBox(window, row, 2)->maximum(), 1e9);
    }
}

void TestPlot::channelTableIsTintedOnScreen()
{
    MainWindow window;
    window.show();
    chooseChannelCount(window, 2);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The spin box field and the check box indicator of row 2 show the channel's orange in the
    // style the program really uses.
    for (QWidget *part : {static_cast<QWidget *>(cellSpinBox(window, 1, 2)),
                          static_cast<QWidget *>(cellCheckBox(window, 1, 1))}) {
        const QImage image = part->grab().toImage();
        int tinted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                tinted += QColor(image.pixel(x, y)) == QColor("#ff5500") ? 1 : 0;
        QVERIFY2(tinted > image.width() * image.height() / 10,
                 qPrintable(QStringLiteral("%1 of %2 pixels tinted")
                                .arg(tinted)
                                .arg(image.width() * image.height())));
    }
}

void TestPlot::plotWidthResizesBuffers()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    for (int i = 1; i <= 1000; ++i)
        probe.feed(QByteArray::number(i) + ' ' + QByteArray::number(-i) + "\r\n");
    QCOMPARE(probe.yData().at(0).at(0), 1.0);
    QCOMPARE(probe.yData().at(0).at(999), 1000.0);

    auto *width = widget<QSpinBox>(window, "SpinBox_XScale");
    typeInto(width, "200");
    QCOMPARE(probe.plotWidth(), 200);
    QCOMPARE(probe.lastIndex(), 199);
    QCOMPARE(probe.xData().size(), 200);
    QCOMPARE(probe.xData().last(), 199.0);
    for (int k = 0; k < 2; ++k) {
        QCOMPARE(probe.yData().at(k).size(), 200);
        QCOMPARE(probe.yData().at(k).first(), k == 0 ? 1.0 : -1.0); // the oldest stay
        QCOMPARE(probe.yData().at(k).last(), k == 0 ? 200.0 : -200.0);
    }
    QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), 0.0);
    QCOMPARE(div.upperBound(), 200.0);

    typeInto(width, "500");
    QCOMPARE(probe.xData().size(), 500);
    QCOMPARE(probe.xData().at(499), 499.0);
    QCOMPARE(probe.yData().at(0).at(199), 200.0);
    QCOMPARE(probe.yData().at(0).at(200), 0.0);
    QCOMPARE(probe.yData().at(1).at(499), 0.0);
    QCOMPARE(probe.plot()->axisScaleDiv(QwtCompat::xBottom).upperBound(), 500.0);

    // The next line scrolls everything one place and lands at the new right end.
    probe.feed("7 8\r\n");
    QCOMPARE(probe.yData().at(0).at(0), 2.0);
    QCOMPARE(probe.yData().at(0).at(499), 7.0);
    QCOMPARE(probe.curves().at(1)->dataSize(), size_t(500));

    // A rebuild keeps the width.
    chooseChannelCount(window, 1);
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(500));
}

void TestPlot::plotWidthZeroStoresNothing()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "0");
    QCOMPARE(probe.plotWidth(), 0);
    QCOMPARE(probe.lastIndex(), -1);
    QVERIFY(probe.xData().isEmpty());
    QVERIFY(probe.yData().at(0).isEmpty());
    const QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), 0.0);
    QCOMPARE(div.upperBound(), 0.0);

    // Lines that change nothing on screen draw no frame.
    QVERIFY(probe.nextFrame());
    QTest::qWait(50);
    int paints = 0;
    PaintWatcher watcher(probe.plot()->canvas(), [&paints] { ++paints; });
    for (int i = 0; i < 10; ++i) {
        probe.feed("5\r\n6\r\n");
        QTest::qWait(20);
    }
    QCOMPARE(paints, 0);
    QVERIFY(probe.yData().at(0).isEmpty());
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(0));

    // Back to a real width, samples arrive again.
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "3");
    probe.feed("9\r\n");
    QCOMPARE(probe.yData().at(0), (QVector<double>{0, 0, 9}));
}

void TestPlot::yAutoScaleAndFixedRange()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    auto *autoScale = widget<QCheckBox>(window, "checkBox_YAutoScale");
    auto *ymin = widget<QSpinBox>(window, "spinBox_Ymin");
    auto *ymax = widget<QSpinBox>(window, "spinBox_Ymax");

    autoScale->click();
    QVERIFY(ymin->isEnabled());
    QVERIFY(ymax->isEnabled());
    QVERIFY(!probe.plot()->axisAutoScale(QwtCompat::yLeft));
    QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::yLeft);
    QCOMPARE(div.lowerBound(), 0.0);
    QCOMPARE(div.upperBound(), 2000.0);

    typeInto(ymax, "500");
    typeInto(ymin, "-250");
    div = probe.plot()->axisScaleDiv(QwtCompat::yLeft);
    QCOMPARE(div.lowerBound(), -250.0);
    QCOMPARE(div.upperBound(), 500.0);
    // A fixed range holds whatever the data do.
    probe.feed("100000\r\n");
    QCOMPARE(probe.plot()->axisScaleDiv(QwtCompat::yLeft).upperBound(), 500.0);

    autoScale->click();
    QVERIFY(!ymin->isEnabled());
    QVERIFY(!ymax->isEnabled());
    QVERIFY(probe.plot()->axisAutoScale(QwtCompat::yLeft));
    probe.feed("100000\r\n");
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.plot()->axisScaleDiv(QwtCompat::yLeft).upperBound() >= 100000.0);

    // The largest finite values, both signs: the range still divides into ticks.
    chooseChannelCount(window, 3);
    probe.feed("1.7e308 -1.7e308 1\r\n-1.7e308 1.7e308 1\r\n");
    QVERIFY(probe.nextFrame());
    div = probe.plot()->axisScaleDiv(QwtCompat::yLeft);
    QVERIFY(div.upperBound() >= 1e300 && div.lowerBound() <= -1e300);
    QVERIFY(div.ticks(QwtScaleDiv::MajorTick).size() >= 2);
}

void TestPlot::xyRangeDivision()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();

    QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), -1000.0);
    QCOMPARE(div.upperBound(), 1000.0);
    const QList<double> major = div.ticks(QwtScaleDiv::MajorTick);
    QVERIFY(major.size() >= 2 && major.size() <= 11);
    QCOMPARE(major.first(), -1000.0);
    QCOMPARE(major.last(), 1000.0);
    // At most 5 minor steps per major step: no more than 4 minor ticks between two majors.
    const QList<double> minor = div.ticks(QwtScaleDiv::MinorTick);
    for (int i = 0; i + 1 < major.size(); ++i) {
        int between = 0;
        for (double tick : minor)
            between += (tick > major.at(i) && tick < major.at(i + 1)) ? 1 : 0;
        QVERIFY(between <= 4);
    }

    typeInto(widget<QSpinBox>(window, "spinBox_Xmin"), "-50");
    typeInto(widget<QSpinBox>(window, "spinBox_Xmax"), "75");
    div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), -50.0);
    QCOMPARE(div.upperBound(), 75.0);
    // Points beyond the range do not move it.
    probe.feed("500 1\r\n");
    QCOMPARE(probe.plot()->axisScaleDiv(QwtCompat::xBottom).upperBound(), 75.0);
}

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
