// What the canvas draws against a plain Qwt drawing of the same samples: reduced, scrolled,
// kept for hours, far off the axis, and in XY mode.

#include "testsupport.h"

#include "plotting/pointstore.h"
#include "plotting/reducedcurve.h"
#include "plotting/xytrail.h"

#include <QRandomGenerator>
#include <QScreen>

#include <cmath>

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void reducedDrawingMatchesFullDrawing_data();
    void reducedDrawingMatchesFullDrawing();
    void axisCoversDataAfterRebuild_data();
    void axisCoversDataAfterRebuild();
    void pictureIsTheSamples_data();
    void pictureIsTheSamples();
    void xyPictureIsThePoints();
};

// Ten noisy samples per pixel column with rare spikes: drawing the first, lowest, highest and
// last sample of each column must set the pixels that drawing all of them sets. After the
// picture has scrolled on frame by frame, drawing only what new samples reached, it must be what
// drawing everything at once draws, within a pixel of the exact drawing. Zoomed into the newest
// samples, live, the same.
void TestPicture::reducedDrawingMatchesFullDrawing_data()
{
    QTest::addColumn<int>("zoomedTo"); // samples in view, 0 unzoomed
    QTest::newRow("unzoomed") << 0;
    QTest::newRow("zoomed to a quarter") << 2500;
    QTest::newRow("zoomed to 150 samples") << 150;
}

void TestPicture::reducedDrawingMatchesFullDrawing()
{
    QFETCH(int, zoomedTo);
    MainWindow window;
    window.resize(1200, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 2);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), "10000");
    QRandomGenerator random(11);
    const auto lines = [&random](int count) {
        QByteArray text;
        for (int i = 0; i < count; ++i) {
            const int spike = random.bounded(500) == 0 ? 900 : 0;
            text += QByteArray::number(random.bounded(100) + spike) + ' ' +
                    QByteArray::number(300 + 200 * std::sin(i / 300.0) + random.bounded(40)) +
                    "\r\n";
        }
        return text;
    };
    const auto drawn = [&](bool reduced) {
        return drawnCanvas(probe, reduced);
    };
    const auto compare = [](const QImage &full, const QImage &reduced, int slack) {
        QCOMPARE(reduced.size(), full.size());
        const PictureDifference d = comparePictures(full, reduced, slack);
        QVERIFY2(
            d.differ <= d.curvePixels * (slack == 0 ? 1 : 10) / 100,
            qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(d.differ).arg(d.curvePixels)));
    };

    probe.feed(lines(10000));
    QVERIFY(probe.nextFrame());
    if (zoomedTo > 0) {
        const QRectF view = probe.view()->currentView();
        probe.view()->zoomTo(QRectF(QPointF(9000.3 - zoomedTo, view.top() - 20),
                                    QPointF(9000.3, view.bottom() + 20)));
        QVERIFY(probe.nextFrame());
    }
    const QImage full = drawn(false);
    compare(full, drawn(true), 0);

    // Frame by frame, by a part of a column each time, until the picture scrolled further than
    // the canvas is wide.
    for (int batch = 0; batch < 40; ++batch) {
        probe.feed(lines(batch % 7 == 0 ? 3 : zoomedTo > 0 && zoomedTo < 1000 ? 13 : 377));
        QVERIFY(probe.nextFrame());
        probe.plot()->replot();
        QCoreApplication::processEvents();
    }
    const QImage scrolled = probe.plot()->canvas()->grab().toImage();
    // The same samples drawn anew at once (a new pen draws everything again).
    const QPen pen = probe.curves().at(1)->pen();
    probe.curves().at(1)->setPen(Qt::red, 0.0);
    probe.plot()->canvas()->grab();
    probe.curves().at(1)->setPen(pen);
    QCOMPARE(drawn(true), scrolled);
    // Columns follow the samples as they move on: at most a pixel beside their exact place.
    const QImage fullScrolled = drawn(false);
    compare(fullScrolled, scrolled, 1);
}

// After a rebuild, the axis is worked out from the curves again, not kept from the last frame
// whose curves happened to have the same bounds.
void TestPicture::axisCoversDataAfterRebuild_data()
{
    QTest::addColumn<bool>("tabVisit");
    QTest::newRow("Clear all") << false;
    QTest::newRow("a visit to the monitor tab") << true;
}

void TestPicture::axisCoversDataAfterRebuild()
{
    QFETCH(bool, tabVisit);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    QByteArray square;
    for (int i = 0; i < 2000; ++i)
        square += (i / 50) % 2 ? "-100\r\n" : "100\r\n";
    const auto covers = [&] {
        const QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::yLeft);
        return div.lowerBound() <= -100 && div.upperBound() >= 100;
    };
    probe.feed(square);
    QVERIFY(probe.nextFrame());
    QVERIFY(covers());

    if (tabVisit) {
        auto *tabs = widget<QTabWidget>(window, "tabWidget_MonitorViews");
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
    } else {
        widget<QPushButton>(window, "pbClear_all")->click();
    }
    probe.feed(square);
    QVERIFY(probe.nextFrame());
    QVERIFY(covers());
}

// The strip chart keeps its picture by sample numbers and pixel columns. Its picture must be
// the one Qwt draws from every sample (within a pixel), also when the numbers have grown for
// hours, and when samples lie far off a fixed axis.
void TestPicture::pictureIsTheSamples_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<quint64>("firstNumber");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<bool>("fixedAxis");
    const auto repeated = [](const QByteArray &pattern, int times) {
        QByteArray text;
        for (int i = 0; i < times; ++i)
            text += pattern;
        return text;
    };
    QTest::newRow("4,000,000 lines at width 2")
        << 2 << quint64(0) << repeated("0\r\n1\r\n", 2000000) << false;
    QTest::newRow("numbered from near 2^32, width 2")
        << 2 << (quint64(1) << 32) - 7 << repeated("0\r\n1\r\n", 10) << false;
    QTest::newRow("numbered from 10^9, width 10")
        << 10 << quint64(1000000000) << repeated("0\r\n5\r\n2\r\n", 10) << false;
    QRandomGenerator random(5);
    QByteArray noisy;
    for (int i = 0; i < 3000; ++i)
        noisy += QByteArray::number(random.bounded(1000)) + "\r\n";
    QTest::newRow("numbered from near 2^40, width 1000")
        << 1000 << (quint64(1) << 40) - 300 << noisy << false;
    QTest::newRow("far off a fixed axis, width 10")
        << 10 << quint64(0) << repeated("-1e7\r\n1e9\r\n", 10) << true;
}

void TestPicture::pictureIsTheSamples()
{
    QFETCH(int, width);
    QFETCH(quint64, firstNumber);
    QFETCH(QByteArray, lines);
    QFETCH(bool, fixedAxis);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), QString::number(width));
    probe.numberSamplesFrom(firstNumber);
    auto *autoScale = widget<QCheckBox>(window, "checkBox_YAutoScale");
    if (fixedAxis)
        autoScale->click(); // 0 ... 2000
    probe.feed(lines);
    QVERIFY(probe.nextFrame());
    // What makes the picture draw anew: the axis box off and on.
    autoScale->click();
    autoScale->click();
    QVERIFY(probe.nextFrame());

    const QImage strip = probe.plot()->canvas()->grab().toImage();
    const QImage plain = drawnCanvas(probe, false);
    const PictureDifference d = comparePictures(plain, strip, 1);
    QVERIFY(d.curvePixels > 0);
    QVERIFY2(d.differ <= d.curvePixels / 50,
             qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(d.differ).arg(d.curvePixels)));
}

// The XY picture is kept and drawn on frame by frame; it must be what Qwt draws of every point
// held, after points arrived in many frames and after the oldest left the store. The curve
// crosses itself everywhere: a few points too many or too few change a few pixels only.
void TestPicture::xyPictureIsThePoints()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
    int n = 0;
    const auto points = [&n](int count) {
        QByteArray text;
        for (int i = 0; i < count; ++i, ++n)
            text += QByteArray::number(900 * std::sin(n * 0.0031)) + ' ' +
                    QByteArray::number(700 * std::sin(n * 0.0047 + 1) + 50 * std::sin(n * 0.3)) +
                    "\r\n";
        return text;
    };
    const auto compare = [&] {
        const QImage kept = probe.plot()->canvas()->grab().toImage();
        const QImage plain = drawnCanvas(probe, false);
        static_cast<ReducedCurve *>(probe.curves().first())->setReduced(true);
        const PictureDifference d = comparePictures(plain, kept, 1);
        QVERIFY(d.curvePixels > 0);
        QVERIFY2(
            d.differ <= d.curvePixels / 500,
            qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(d.differ).arg(d.curvePixels)));
    };
    for (int frame = 0; frame < 30; ++frame) {
        probe.feed(points(frame % 5 == 0 ? 1 : 1500));
        QVERIFY(probe.nextFrame());
    }
    compare();
    // A frame repaints only where new segments go: what is on screen is the whole picture.
    for (int frame = 0; frame < 20; ++frame) {
        probe.feed(points(40));
        QVERIFY(probe.nextFrame());
        QCoreApplication::processEvents();
    }
    QWidget *canvas = probe.plot()->canvas();
    const QRect onScreen(canvas->mapTo(&window, QPoint(0, 0)), canvas->size());
    const QImage shown = window.screen()
                             ->grabWindow(window.winId(), onScreen.x(), onScreen.y(),
                                          onScreen.width(), onScreen.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, canvas->grab().toImage().convertToFormat(QImage::Format_RGB32));

    // Beyond the store's bound the oldest go; the picture is drawn anew soon after.
    probe.feed(points(PointStore::DefaultCapacity));
    QVERIFY(probe.nextFrame());
    for (int frame = 0; frame < 10; ++frame) {
        probe.feed(points(700));
        QVERIFY(probe.nextFrame());
    }
    QTest::qWait(XYTrail::StaleMs + 50);
    probe.feed(points(3));
    QVERIFY(probe.nextFrame());
    compare();
}

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
