// Received lines through the window: messages for bad lines, gain/offset/show from the channel
// table, the XY graph, and the crosshair with its value markers under the mouse.

#include "testsupport.h"

#include <QSignalSpy>

#include <algorithm>

#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

namespace {

QStringList markerLabels(MainWindowProbe &probe)
{
    QStringList labels;
    for (QwtPlotMarker *marker : probe.pointMarkers())
        labels << marker->label().text();
    return labels;
}

void sendToCanvas(MainWindow &window, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(MainWindowProbe(window).plot()->canvas(), &event);
}

// A fixed vertical range, so that a test can aim the mouse at exact plot coordinates.
void fixYRange(MainWindow &window, int ymin, int ymax)
{
    widget<QCheckBox>(window, "checkBox_YAutoScale")->setChecked(false);
    typeInto(widget<QSpinBox>(window, "spinBox_Ymax"), QString::number(ymax));
    typeInto(widget<QSpinBox>(window, "spinBox_Ymin"), QString::number(ymin));
}

// The rectangle QwtPlotMarker draws a horizontal label in: beside its symbol, `spacing` away,
// on the sides the label alignment names, in the canvas's font.
QRectF drawnLabelRect(const QwtPlot *plot, const QwtPlotMarker *marker)
{
    const QSizeF text = marker->label().textSize(plot->canvas()->font());
    const QSizeF symbol = (QSizeF(marker->symbol()->size()) + QSizeF(1, 1)) / 2;
    const double xOff = qMax(0.5, symbol.width());
    const double yOff = qMax(0.5, symbol.height());
    const Qt::Alignment align = marker->labelAlignment();
    const int spacing = marker->spacing();
    double x = plot->canvasMap(QwtCompat::xBottom).transform(marker->xValue());
    double y = plot->canvasMap(QwtCompat::yLeft).transform(marker->yValue());
    if (align & Qt::AlignLeft) {
        x -= xOff + spacing;
        x -= text.width();
    } else if (align & Qt::AlignRight) {
        x += xOff + spacing;
    } else {
        x -= text.width() / 2;
    }
    if (align & Qt::AlignTop) {
        y -= yOff + spacing;
        y -= text.height();
    } else if (align & Qt::AlignBottom) {
        y += yOff + spacing;
    } else {
        y -= text.height() / 2;
    }
    return QRectF(x, y, text.width(), text.height());
}

} // namespace

class TestIntake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void badLinesAreReportedAndSkipped_data();
    void badLinesAreReportedAndSkipped();
    void overlongLineIsDroppedWhole();
    void firstSampleStepsAtTheRightEnd();
    void gainOffsetAndShowFromTheTable();
    void xyModeSwitchesPlotAndControls();
    void shortXYLineLosesNoLaterLines();
    void xyPointsKeepComingThroughTheOrigin();
    void xyPointsAreBounded();
    void channelCountChangeInXYMode();
    void crosshairInTimeSeries();
    void valueLabelsStayApartOnTheCanvas_data();
    void valueLabelsStayApartOnTheCanvas();
    void crosshairInXYMode();
    void otherObjectsEventsPassThrough();
};

void TestIntake::badLinesAreReportedAndSkipped_data()
{
    QTest::addColumn<bool>("xy");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("message");

    const QString channel = QStringLiteral("Error: Invalid number format for channel %1 detected");
    const QString fields =
        QStringLiteral("Error: Insufficient data parts for XY graph parts.size() = %1");
    const QString xyNumber = QStringLiteral("Error: Invalid number format in XY data");
    QTest::newRow("letters") << false << 2 << QByteArray("1 abc\r\n") << channel.arg(1);
    QTest::newRow("comma decimal") << false << 1 << QByteArray("1,5\r\n") << channel.arg(0);
    QTest::newRow("double space") << false << 2 << QByteArray("1  2\r\n") << channel.arg(1);
    QTest::newRow("leading space") << false << 2 << QByteArray(" 1 2\r\n") << channel.arg(0);
    QTest::newRow("empty line, one channel") << false << 1 << QByteArray("\r\n") << channel.arg(0);
    QTest::newRow("empty line, two channels: silent") << false << 2 << QByteArray("\r\n") << "";
    QTest::newRow("too few fields: silent") << false << 3 << QByteArray("1 2\r\n") << "";
    QTest::newRow("LF-only lines run together")
        << false << 2 << QByteArray("1 2\n3 4\r\n") << channel.arg(1);
    QTest::newRow("inf") << false << 2 << QByteArray("1 inf\r\n") << channel.arg(1);
    QTest::newRow("nan") << false << 1 << QByteArray("nan\r\n") << channel.arg(0);
    QTest::newRow("xy single number") << true << 1 << QByteArray("5\r\n") << fields.arg(1);
    QTest::newRow("xy empty line") << true << 1 << QByteArray("\r\n") << fields.arg(1);
    QTest::newRow("xy letter") << true << 1 << QByteArray("1 y\r\n") << xyNumber;
    QTest::newRow("xy -inf") << true << 1 << QByteArray("-inf 2\r\n") << xyNumber;
    QTest::newRow("zero byte after a number")
        << false << 1 << QByteArray("1.5\0garbage\r\n", 13) << channel.arg(0);
    QTest::newRow("zero byte inside a field")
        << false << 3 << QByteArray("1 2\0 3\r\n", 8) << channel.arg(1);
}

void TestIntake::badLinesAreReportedAndSkipped()
{
    QFETCH(bool, xy);
    QFETCH(int, channels);
    QFETCH(QByteArray, line);
    QFETCH(QString, message);

    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, channels);
    if (xy)
        widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();

    QByteArray good = "10";
    for (int i = 1; i < (xy ? 2 : channels); ++i)
        good += " 10";
    good += "\r\n";
    probe.feed(good + line + good);

    QCOMPARE(statusText(window), message);
    if (xy) {
        // Both good lines are stored, nothing of the bad one.
        QCOMPARE(probe.xyXData(), (QVector<double>{10, 10}));
    } else {
        QCOMPARE(probe.yData().at(0).mid(997), (QVector<double>{0, 10, 10}));
    }
    // Nothing of the bad line is left waiting.
    QVERIFY(probe.pendingSeriesBytes().isEmpty());
    QVERIFY(probe.pendingXYBytes().isEmpty());
}

void TestIntake::overlongLineIsDroppedWhole()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    // Digits only: any fragment of it would parse as a number.
    probe.feed(QByteArray(40000, '7'));
    probe.feed(QByteArray(40000, '7'));
    QCOMPARE(statusText(window), QStringLiteral("Error: line longer than 65536 bytes dropped"));
    probe.feed(QByteArray(10, '7') + "\r\n3\r\n");
    QCOMPARE(probe.yData().at(0).mid(998), (QVector<double>{0, 3}));
}

void TestIntake::firstSampleStepsAtTheRightEnd()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    probe.feed("5\r\n");
    const QVector<QPointF> points = curvePoints(probe.curves().at(0));
    QCOMPARE(points.size(), 1000);
    QCOMPARE(points.at(998), QPointF(998, 0));
    QCOMPARE(points.at(999), QPointF(999, 5));
}

void TestIntake::gainOffsetAndShowFromTheTable()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);

    // A gain typed while its box is unchecked does nothing.
    cellSpinBox(window, 0, 1)->setValue(2);
    cellSpinBox(window, 0, 2)->setValue(0.5);
    probe.feed("3 3\r\n");
    QCOMPARE(probe.yData().at(0).last(), 3.0);

    cellCheckBox(window, 0, 1)->setChecked(true);
    cellCheckBox(window, 0, 2)->setChecked(true);
    probe.feed("3 3\r\n");
    QCOMPARE(probe.yData().at(0).last(), 6.5);
    QCOMPARE(probe.yData().at(0).at(998), 3.0); // stored samples keep their values
    QCOMPARE(probe.yData().at(1).last(), 3.0);  // other channels untouched

    // A hidden channel keeps scrolling; shown again, its whole history is there.
    cellCheckBox(window, 1, 0)->setChecked(false);
    QVERIFY(probe.curves().at(1)->isVisible()); // no effect before the next line
    probe.feed("1 7\r\n");
    QVERIFY(!probe.curves().at(1)->isVisible());
    QCOMPARE(curveYs(probe.curves().at(1)).last(), 7.0); // the curve answers with what is stored
    probe.feed("1 8\r\n");
    cellCheckBox(window, 1, 0)->setChecked(true);
    probe.feed("1 9\r\n");
    QVERIFY(probe.curves().at(1)->isVisible());
    QCOMPARE(curveYs(probe.curves().at(1)).mid(995), (QVector<double>{3, 3, 7, 8, 9}));
}

void TestIntake::xyModeSwitchesPlotAndControls()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    chooseChannelCount(window, 3);
    openPort(window, pty.name());

    // A partial time-series line read before the XY detour is not joined to what follows it.
    pty.write("1 1 1\r\n7");
    QTRY_COMPARE(probe.pendingSeriesBytes(), QByteArray("7"));
    auto *xyBox = widget<QCheckBox>(window, "checkBox_enableXYGraph");
    xyBox->click();
    QVERIFY(probe.xyMode());
    QCOMPARE(curveTitles(probe.plot()), QStringList{"Data 1"});
    QCOMPARE(probe.curves().at(0)->pen().color(), QColor("#0055ff"));
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(0));
    QVERIFY(!widget<QTableWidget>(window, "tableWidget")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "SpinBox_XScale")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "spinBox_Xmin")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "spinBox_Xmax")->isEnabled());
    QCOMPARE(probe.plot()->itemList(QwtPlotItem::Rtti_PlotMarker).size(), 2);

    pty.write("1 2\r\n3 4\r\n1 2\r\n");
    QTRY_COMPARE(probe.xyXData().size(), 3);
    QCOMPARE(curvePoints(probe.curves().at(0)),
             (QVector<QPointF>{{1, 2}, {3, 4}, {1, 2}})); // arrival order, equal points kept

    xyBox->click();
    QVERIFY(!probe.xyMode());
    QCOMPARE(curveTitles(probe.plot()), (QStringList{"Data 1", "Data 2", "Data 3"}));
    QCOMPARE(curveYs(probe.curves().at(0)), QVector<double>(1000, 0.0));
    QVERIFY(widget<QTableWidget>(window, "tableWidget")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "SpinBox_XScale")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "spinBox_Xmin")->isEnabled());
    const QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), 0.0);
    QCOMPARE(div.upperBound(), 1000.0);
    QVERIFY(probe.pendingSeriesBytes().isEmpty());
    pty.write("2.5 3 4\r\n");
    QTRY_COMPARE(probe.yData().at(0).last(), 2.5);
    QCOMPARE(probe.yData().at(2).last(), 4.0);
}

void TestIntake::shortXYLineLosesNoLaterLines()
{
    SKIP_WITHOUT_PSEUDO_TERMINAL();
    PseudoTerminal pty;
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    openPort(window, pty.name());

    // The device goes on sending while the short line is being reported: those lines wait in
    // the terminal, unread, and must not be thrown away with it.
    auto *bar = widget<QStatusBar>(window, "statusbar");
    connect(bar, &QStatusBar::messageChanged, &pty, [&pty](const QString &message) {
        if (message.startsWith(QStringLiteral("Error: Insufficient")))
            pty.write("3 3\r\n4 4\r\n");
    });
    pty.write("1 1\r\n5\r\n2 2\r\n");
    QTRY_COMPARE(probe.xyXData(), (QVector<double>{1, 2, 3, 4}));
}

void TestIntake::xyPointsKeepComingThroughTheOrigin()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    probe.feed("0 0\r\n1 1\r\n0 0\r\n-0 0\r\n2 -2\r\n");
    QCOMPARE(probe.xyXData(), (QVector<double>{0, 1, 0, 0, 2}));
    QCOMPARE(probe.xyYData(), (QVector<double>{0, 1, 0, 0, -2}));
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(5));

    // "Clear all" starts the figure afresh.
    widget<QPushButton>(window, "pbClear_all")->click();
    QVERIFY(probe.xyXData().isEmpty());
    QCOMPARE(probe.curves().at(0)->dataSize(), size_t(0));
}

void TestIntake::xyPointsAreBounded()
{
    MainWindow window;
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    widget<QTabWidget>(window, "tabWidget_MonitorViews")->hide(); // no need to draw
    QByteArray chunk;
    for (int i = 0; i < 100005; ++i)
        chunk += QByteArray::number(i) + " 1\r\n";
    probe.feed(chunk);
    QCOMPARE(probe.xyXData().size(), 100000);
    QCOMPARE(probe.xyYData().size(), 100000);
    QCOMPARE(probe.xyXData().first(), 5.0); // the oldest went first
    QCOMPARE(probe.xyXData().last(), 100004.0);
}

void TestIntake::channelCountChangeInXYMode()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    auto *xyBox = widget<QCheckBox>(window, "checkBox_enableXYGraph");
    xyBox->click();
    typeInto(widget<QSpinBox>(window, "spinBox_Xmin"), "0");
    typeInto(widget<QSpinBox>(window, "spinBox_Xmax"), "5");
    probe.feed("1 2\r\n");
    chooseChannelCount(window, 3);

    // The XY plot stays as it was: one curve, its points, one value marker.
    QVERIFY(probe.xyMode());
    QCOMPARE(curveTitles(probe.plot()), QStringList{"Data 1"});
    probe.feed("3 4\r\n");
    QCOMPARE(curvePoints(probe.curves().at(0)), (QVector<QPointF>{{1, 2}, {3, 4}}));
    moveMouseTo(window, 2, 3);
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 1);

    // The count chosen meanwhile takes effect with the time series.
    xyBox->click();
    QCOMPARE(curveTitles(probe.plot()), (QStringList{"Data 1", "Data 2", "Data 3"}));
    QCOMPARE(widget<QTableWidget>(window, "tableWidget")->rowCount(), 3);
    probe.feed("7 8 9\r\n");
    QCOMPARE(probe.yData().at(2).last(), 9.0);
}

void TestIntake::crosshairInTimeSeries()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 3);
    // Twelve samples across the whole canvas make one unit many pixels wide.
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "12");
    for (int i = 0; i < 12; ++i) {
        const QByteArray v = QByteArray::number(i < 11 ? 5 : 6);
        probe.feed(v + ' ' + QByteArray::number(i) + " 0\r\n");
    }
    fixYRange(window, 0, 20);

    sendToCanvas(window, QEvent::Enter);
    QVERIFY(probe.vLine()->isVisible());
    QVERIFY(!probe.hLine()->isVisible());
    QVERIFY(probe.pointMarkers().isEmpty()); // none until the mouse moves

    moveMouseTo(window, 10.4, 3);
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.vLine()->isVisible());
    QVERIFY(!probe.hLine()->isVisible());
    QVERIFY(qAbs(probe.vLine()->xValue() - 10.4) < 0.01);
    QCOMPARE(markerLabels(probe), (QStringList{"5.40", "10.40", "0.00"}));
    const QList<QColor> colors{QColor("#0055ff"), QColor("#ff5500"), QColor("#00aa55")};
    for (int i = 0; i < 3; ++i) {
        const QwtSymbol *symbol = probe.pointMarkers().at(i)->symbol();
        QCOMPARE(symbol->style(), QwtSymbol::Ellipse);
        QCOMPARE(symbol->size(), QSize(7, 6));
        QCOMPARE(symbol->brush().color(), colors.at(i));
        QCOMPARE(probe.pointMarkers().at(i)->labelAlignment(), Qt::AlignLeft | Qt::AlignTop);
    }

    // A hidden channel has no marker; shown again, it has one with its current values.
    cellCheckBox(window, 1, 0)->setChecked(false);
    probe.feed("6 11 0\r\n");
    QVERIFY(probe.nextFrame());
    QCOMPARE(markerLabels(probe), (QStringList{"6.00", "0.00"}));
    cellCheckBox(window, 1, 0)->setChecked(true);
    probe.feed("6 11 0\r\n");
    QVERIFY(probe.nextFrame());
    QCOMPARE(markerLabels(probe), (QStringList{"6.00", "11.00", "0.00"}));

    // Outside the samples: the line, no markers.
    moveMouseTo(window, 11.5, 3);
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.vLine()->isVisible());
    QVERIFY(probe.pointMarkers().isEmpty());

    // Markers follow the accepted lines while the mouse is over the canvas.
    moveMouseTo(window, 5.0, 3);
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 3);
    probe.feed("8 8 8\r\n");
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 3);
    QCOMPARE(probe.plot()->itemList(QwtPlotItem::Rtti_PlotMarker).size(), 2 + 3);

    sendToCanvas(window, QEvent::Leave);
    QVERIFY(!probe.vLine()->isVisible());
    QVERIFY(probe.pointMarkers().isEmpty());
    QCOMPARE(probe.plot()->itemList(QwtPlotItem::Rtti_PlotMarker).size(), 2);
    probe.feed("1 1 1\r\n");
    QVERIFY(probe.pointMarkers().isEmpty()); // no markers while the mouse is away
}

void TestIntake::valueLabelsStayApartOnTheCanvas_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<bool>("autoScale"); // otherwise the range is 0 ... 10
    QTest::addColumn<double>("cursorX"); // the samples lie at x 0 ... 11
    QTest::addColumn<bool>("moved");

    const QStringList equal{"5.00", "5.00", "5.00", "5.00", "5.00", "5.00"};
    const QStringList close{"5.00", "5.02", "5.04", "5.06", "5.08", "5.10"};
    QTest::newRow("equal, middle") << QByteArray("5 5 5 5 5 5") << equal << false << 6.0 << true;
    QTest::newRow("equal, left edge") << QByteArray("5 5 5 5 5 5") << equal << false << 0.1 << true;
    QTest::newRow("close, middle")
        << QByteArray("5 5.02 5.04 5.06 5.08 5.1") << close << false << 6.0 << true;
    QTest::newRow("close, right edge")
        << QByteArray("5.04 5.1 5 5.08 5.02 5.06")
        << QStringList{"5.04", "5.10", "5.00", "5.08", "5.02", "5.06"} << false << 10.9 << true;
    QTest::newRow("top, left edge")
        << QByteArray("10 9.98 9.96 9.94 9.92 9.9")
        << QStringList{"10.00", "9.98", "9.96", "9.94", "9.92", "9.90"} << false << 0.1 << true;
    QTest::newRow("bottom, right edge")
        << QByteArray("0 0.02 0.04 0.06 0.08 0.1")
        << QStringList{"0.00", "0.02", "0.04", "0.06", "0.08", "0.10"} << false << 10.9 << true;
    QTest::newRow("both ends, autoscale")
        << QByteArray("10 0 9.98 0.02 9.96 0.04")
        << QStringList{"10.00", "0.00", "9.98", "0.02", "9.96", "0.04"} << true << 6.0 << true;
    // Apart and clear of the edges: every label left of and above its point, as always.
    QTest::newRow("apart") << QByteArray("1 2.6 4.2 5.8 7.4 9")
                           << QStringList{"1.00", "2.60", "4.20", "5.80", "7.40", "9.00"} << false
                           << 6.0 << false;
}

void TestIntake::valueLabelsStayApartOnTheCanvas()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, labels);
    QFETCH(bool, autoScale);
    QFETCH(double, cursorX);
    QFETCH(bool, moved);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 6);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "12");
    if (!autoScale)
        fixYRange(window, 0, 10);
    for (int i = 0; i < 12; ++i)
        probe.feed("1 1 1 1 1 1\r\n");
    moveMouseTo(window, cursorX, 1);
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 6);
    // The markers follow the new values, and with autoscale the new range, in the same frame.
    for (int i = 0; i < 12; ++i)
        probe.feed(line + "\r\n");
    QVERIFY(probe.nextFrame());

    const QwtPlot *plot = probe.plot();
    const QList<QwtPlotMarker *> &markers = probe.pointMarkers();
    QCOMPARE(markerLabels(probe), labels);
    const QStringList colors{"#0055ff", "#ff5500", "#00aa55", "#ff00aa", "#ffaa00", "#aa00ff"};
    const double x = probe.vLine()->xValue();
    const QRectF canvas = plot->canvas()->contentsRect();
    QVector<QPair<double, double>> topAndValue;
    for (int i = 0; i < markers.size(); ++i) {
        const QwtPlotMarker *marker = markers.at(i);
        QCOMPARE(marker->xValue(), x);
        QVERIFY(qAbs(marker->yValue() - labels.at(i).toDouble()) < 1e-9);
        QCOMPARE(marker->symbol()->style(), QwtSymbol::Ellipse);
        QCOMPARE(marker->symbol()->size(), QSize(7, 6));
        QCOMPARE(marker->symbol()->brush().color(), QColor(colors.at(i)));
        QCOMPARE(marker->labelOrientation(), Qt::Horizontal);
        if (!moved) {
            QCOMPARE(marker->labelAlignment(), Qt::AlignLeft | Qt::AlignTop);
            QCOMPARE(marker->spacing(), 2);
        }
        const QRectF rect = drawnLabelRect(plot, marker);
        QVERIFY2(canvas.contains(rect), qPrintable(labels.at(i)));
        for (int j = 0; j < i; ++j)
            QVERIFY2(!rect.intersects(drawnLabelRect(plot, markers.at(j))),
                     qPrintable(labels.at(i) + " on " + labels.at(j)));
        topAndValue << qMakePair(rect.top(), marker->yValue());
    }
    // Read from the top, the labels go down in value.
    std::sort(topAndValue.begin(), topAndValue.end());
    for (int i = 1; i < topAndValue.size(); ++i)
        QVERIFY(topAndValue.at(i).second <= topAndValue.at(i - 1).second);
}

void TestIntake::crosshairInXYMode()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    typeInto(widget<QSpinBox>(window, "spinBox_Xmin"), "0");
    typeInto(widget<QSpinBox>(window, "spinBox_Xmax"), "5");
    fixYRange(window, 3, 4);
    probe.feed("1 1\r\n3 5\r\n2 6\r\n");

    moveMouseTo(window, 2.5, 3.25);
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.vLine()->isVisible());
    QVERIFY(probe.hLine()->isVisible());
    QCOMPARE(markerLabels(probe), QStringList{"x: 2.50  y: 3.25"});
    const QPointF at = probe.pointMarkers().first()->value();
    QVERIFY(qAbs(at.x() - 2.5) < 0.005 && qAbs(at.y() - 3.25) < 0.005);

    // Only the segment from x 3 back to x 2 reaches 3.5: x never rises there, no marker.
    moveMouseTo(window, 3.5, 3.25);
    QVERIFY(probe.nextFrame());
    QVERIFY(probe.pointMarkers().isEmpty());

    sendToCanvas(window, QEvent::Leave);
    QVERIFY(!probe.vLine()->isVisible());
    QVERIFY(!probe.hLine()->isVisible());
    sendToCanvas(window, QEvent::Enter);
    QVERIFY(probe.vLine()->isVisible());
    QVERIFY(probe.hLine()->isVisible());
}

void TestIntake::otherObjectsEventsPassThrough()
{
    MainWindow window;
    window.show();
    MainWindowProbe probe(window);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QVERIFY(!window.eventFilter(widget<QWidget>(window, "plotWidget"), &move));
    QVERIFY(!probe.vLine()->isVisible());
    QEvent enter(QEvent::Enter);
    QVERIFY(window.eventFilter(probe.plot()->canvas(), &enter)); // consumed
}

QTEST_MAIN(TestIntake)
#include "tst_intake.moc"
