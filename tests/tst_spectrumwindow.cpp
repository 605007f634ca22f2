// The spectrum's window, fed like the plot: the stretch it transforms (between the cursors, the
// view, the channels shown), the rate measured from the lines' arrival times or typed, its CSV
// read back, and that it holds still while frozen and stops when closed.

#include "testsupport.h"

#include "canvasinput.h"

#include "spectrum/spectrumcontrols.h"
#include "spectrum/spectrumplot.h"
#include "spectrum/spectrumview.h"
#include "spectrum/spectrumworker.h"

#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>

namespace {

const double Pi = 3.14159265358979323846;

// Lines first ... first + count - 1 of two channels: channel 1 a sine of `period` lines and
// amplitude 3, channel 2 one of 10 lines and amplitude 1.
QByteArray sineLines(int first, int count, double period)
{
    QByteArray text;
    for (int n = first; n < first + count; ++n)
        text += QByteArray::number(3.0 * std::sin(2 * Pi * n / period), 'g', 17) + ' ' +
                QByteArray::number(std::sin(2 * Pi * n / 10.0 + 0.4), 'g', 17) + "\r\n";
    return text;
}

SpectrumControls *controlsOf(MainWindow &window)
{
    return window.findChild<SpectrumControls *>(QStringLiteral("spectrumControls"));
}

// Opens the spectrum from the canvas's menu, as a user does.
SpectrumView *openSpectrum(MainWindow &window)
{
    action(window, "actionSpectrum")->trigger();
    return controlsOf(window)->spectrumView();
}

// The window shows a result with that title line's start, and the worker has nothing left.
bool showsTitle(MainWindow &window, SpectrumView *view, const QString &start)
{
    return QTest::qWaitFor(
        [&] {
            return view->result() && view->titleLine().startsWith(start) &&
                   !controlsOf(window)->worker()->isBusy();
        },
        10000);
}

// A small plot: the width of what is fed, two channels.
void prepare(MainWindow &window, int width)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    chooseChannelCount(window, 2);
    typeInto(widget<QSpinBox>(window, "SpinBox_XScale"), QString::number(width));
}

} // namespace

class TestSpectrumWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }

    // Lines of a sine of 16 lines at positions 1808 ... 5903, then of 64 lines up to 9999: the
    // stretch transformed is the one between the cursors, or the view's, of the channels shown.
    void stretch_data()
    {
        QTest::addColumn<double>("cursorA"); // < 0: no cursors
        QTest::addColumn<double>("cursorB");
        QTest::addColumn<double>("zoomFrom"); // < 0: not zoomed
        QTest::addColumn<double>("zoomTo");
        QTest::addColumn<bool>("second"); // channel 2 shown
        QTest::addColumn<QString>("title");
        QTest::addColumn<QVector<double>>("periods"); // channel 1's peaks, highest first

        QTest::newRow("cursors around the first sine")
            << 2000.0 << 5000.0 << -1.0 << -1.0 << true
            << "Cursors A\u2013B: " << QVector<double>{16};
        QTest::newRow("cursors around the second, the other way round")
            << 9500.0 << 6500.0 << -1.0 << -1.0 << true
            << "Cursors A\u2013B: " << QVector<double>{64};
        QTest::newRow("zoomed into the second") << -1.0 << -1.0 << 6000.0 << 9000.0 << true
                                                << "View: 3,001 lines" << QVector<double>{64};
        QTest::newRow("the whole view: both, lines only")
            << -1.0 << -1.0 << -1.0 << -1.0 << true << "View: 8,192 lines"
            << QVector<double>{16, 64};
        QTest::newRow("channel 2 hidden") << 2000.0 << 5000.0 << -1.0 << -1.0 << false
                                          << "Cursors A\u2013B: " << QVector<double>{16};
    }
    void stretch()
    {
        QFETCH(double, cursorA);
        QFETCH(double, cursorB);
        QFETCH(double, zoomFrom);
        QFETCH(double, zoomTo);
        QFETCH(bool, second);
        QFETCH(QString, title);
        QFETCH(QVector<double>, periods);

        MainWindow window;
        prepare(window, 10000);
        MainWindowProbe probe(window);
        if (!second)
            cellCheckBox(window, 1, 0)->click();
        // At one time: no rate.
        const qint64 now = ChunkQueue::now();
        probe.feed(sineLines(0, 4096, 16), now);
        probe.feed(sineLines(4096, 4096, 64), now);
        QVERIFY(probe.nextFrame());
        QwtPlot *plot = probe.plot();
        PlotView *plotView = probe.view();
        qint64 lines = 0;
        if (cursorA >= 0) {
            for (double x : {cursorA, cursorB})
                QTest::mouseClick(plot->canvas(), Qt::LeftButton, Qt::ShiftModifier,
                                  pixelOf(plot, x, 0));
            QCOMPARE(plotView->cursorCount(), 2);
            lines = qint64(std::abs(plotView->cursor(1).x() - plotView->cursor(0).x())) + 1;
            title += QLocale().toString(lines) + QStringLiteral(" lines");
        }
        if (zoomFrom >= 0)
            plotView->zoomTo(QRectF(zoomFrom, -5, zoomTo - zoomFrom, 10));
        QVERIFY(probe.nextFrame());

        SpectrumView *view = openSpectrum(window);
        QVERIFY(view->isVisible());
        QCOMPARE(view->windowTitle(), QStringLiteral("Spectrum \u2014 Corvale"));
        QVERIFY2(showsTitle(window, view, title), qPrintable(view->titleLine()));
        const SpectrumResult &r = *view->result();
        // Fed at once: no rate, frequencies in cycles per line.
        QVERIFY(view->titleLine().contains(QStringLiteral("no rate measured")));
        QCOMPARE(r.rate, 0.0);
        QCOMPARE(r.stretch.channels, second ? QVector<int>({0, 1}) : QVector<int>({0}));
        QCOMPARE(view->plot()->curves().size(), r.stretch.channels.size());
        const ChannelSpectrum &c = r.spectrum.channels.at(0);
        QVERIFY(c.peaks.size() >= periods.size());
        for (int i = 0; i < periods.size(); ++i) {
            // Within a bin of the sine, within 1 % of its amplitude where alone.
            QVERIFY2(std::abs(c.peaks[i].frequency - 1.0 / periods[i]) <= r.spectrum.binWidth,
                     qPrintable(QString::number(c.peaks[i].frequency)));
            if (periods.size() == 1)
                QVERIFY2(std::abs(c.peaks[i].amplitude / 3.0 - 1.0) < 0.01,
                         qPrintable(QString::number(c.peaks[i].amplitude)));
        }
        if (periods.size() == 1 && c.peaks.size() > 1)
            QVERIFY(c.peaks[1].amplitude < 0.05);
        if (second) {
            const ChannelSpectrum &c2 = r.spectrum.channels.at(1);
            QVERIFY(std::abs(c2.peaks.first().frequency - 0.1) <= r.spectrum.binWidth);
        }
        // The peaks are marked and listed.
        QCOMPARE(view->plot()->peakMarkers().size(),
                 r.spectrum.channels.at(0).peaks.size() +
                     (second ? r.spectrum.channels.at(1).peaks.size() : 0));
        auto *table = view->findChild<QTableWidget *>(QStringLiteral("tableWidget_spectrumPeaks"));
        QCOMPARE(table->rowCount(), view->plot()->peakMarkers().size());
    }

    // The rate of the lines, measured from the times their chunks arrived, gives frequencies
    // in Hz; too few lines to measure give cycles per line, unless a rate is typed.
    void rate_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("perChunk");
        QTest::addColumn<double>("chunkSeconds");
        QTest::addColumn<double>("typed");
        QTest::addColumn<double>("rate");      // expected; 0: none
        QTest::addColumn<double>("tolerance"); // relative
        QTest::addColumn<QString>("says");

        QTest::newRow("steady") << 4096 << 8 << 0.008 << 0.0 << 1000.0 << 1e-9
                                << "measured 1,000.0 lines/s";
        // Blocks start inside chunks here: the times of their first lines are a little late.
        QTest::newRow("at 2.5 kHz")
            << 5000 << 10 << 0.004 << 0.0 << 2500.0 << 1e-3 << "measured 2,5";
        // A chunk's lines all carry its time: the fit over the blocks stays near the rate.
        QTest::newRow("in bursts") << 8192 << 500 << 0.5 << 0.0 << 1000.0 << 0.01 << "measured ";
        QTest::newRow("too few lines")
            << 150 << 10 << 0.01 << 0.0 << 0.0 << 0.0 << "no rate measured";
        // Four chunks a quarter of a second apart tell the rate only roughly.
        QTest::newRow("a few large chunks")
            << 1000 << 250 << 0.25 << 0.0 << 0.0 << 0.0 << "no rate measured";
        QTest::newRow("all at once")
            << 4096 << 4096 << 1.0 << 0.0 << 0.0 << 0.0 << "no rate measured";
        QTest::newRow("typed") << 4096 << 8 << 0.008 << 2000.0 << 2000.0 << 0.0
                               << "2,000 lines/s as typed";
    }
    void rate()
    {
        QFETCH(int, lines);
        QFETCH(int, perChunk);
        QFETCH(double, chunkSeconds);
        QFETCH(double, typed);
        QFETCH(double, rate);
        QFETCH(double, tolerance);
        QFETCH(QString, says);

        MainWindow window;
        prepare(window, 10000);
        MainWindowProbe probe(window);
        const qint64 start = qint64(1) << 40;
        for (int first = 0, k = 0; first < lines; first += perChunk, ++k)
            probe.feed(sineLines(first, qMin(perChunk, lines - first), 20),
                       start + qint64(std::llround(k * chunkSeconds * 1e9)));
        QVERIFY(probe.nextFrame());
        SpectrumView *view = openSpectrum(window);
        if (typed > 0)
            typeInto(view->findChild<QDoubleSpinBox *>(QStringLiteral("spinBox_spectrumRate")),
                     QString::number(typed));
        const QString title = QStringLiteral("View: %1 lines").arg(QLocale().toString(lines));
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return showsTitle(window, view, title) && view->titleLine().contains(says); },
                10000),
            qPrintable(view->titleLine()));
        const SpectrumResult &r = *view->result();
        QCOMPARE(r.measured, typed == 0 && rate > 0);
        if (rate == 0) {
            QCOMPARE(r.rate, 0.0);
            return;
        }
        QVERIFY2(std::abs(r.rate / rate - 1) <= tolerance, qPrintable(QString::number(r.rate)));
        // A sine of 20 lines: a twentieth of the rate, in Hz, within a bin.
        const SpectrumPeak &peak = r.spectrum.channels.at(0).peaks.first();
        QVERIFY2(std::abs(peak.frequency - r.rate / 20) <= r.spectrum.binWidth,
                 qPrintable(QString::number(peak.frequency)));
        QCOMPARE(view->plot()->axisScaleDiv(QwtCompat::xBottom).upperBound(), r.rate / 2);
    }

    // The CSV holds the frequency of every bin and each channel's magnitude there, exactly as
    // the window's curves hold them.
    void csvReadsBack_data()
    {
        QTest::addColumn<bool>("decibels");
        QTest::addColumn<double>("typed");
        QTest::addColumn<QString>("header");

        QTest::newRow("amplitude, cycles per line")
            << false << 0.0 << "cycles_per_line,Channel 1,Channel 2";
        QTest::newRow("decibels, Hz")
            << true << 1234.5 << "frequency,Channel 1 (dB),Channel 2 (dB)";
    }
    void csvReadsBack()
    {
        QFETCH(bool, decibels);
        QFETCH(double, typed);
        QFETCH(QString, header);

        MainWindow window;
        prepare(window, 1000);
        MainWindowProbe probe(window);
        probe.feed(sineLines(0, 3000, 37.3));
        QVERIFY(probe.nextFrame());
        SpectrumView *view = openSpectrum(window);
        if (decibels)
            view->findChild<QComboBox *>(QStringLiteral("comboBox_spectrumScale"))
                ->setCurrentIndex(1);
        if (typed > 0)
            typeInto(view->findChild<QDoubleSpinBox *>(QStringLiteral("spinBox_spectrumRate")),
                     QString::number(typed));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return showsTitle(window, view, QStringLiteral("View: 1,000 lines")) &&
                       view->result()->settings.decibels == decibels &&
                       view->result()->rate == typed;
            },
            10000));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("spectrum.csv"));
        triggerAndChoose(view->findChild<QAction *>(QStringLiteral("actionExportSpectrum")), path);
        auto *status = view->findChild<QStatusBar *>(QStringLiteral("statusbar_spectrum"));
        QTRY_VERIFY(status->currentMessage().startsWith(QStringLiteral("Exported 501 rows")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = file.readAll().split('\n');
        QCOMPARE(QString::fromUtf8(rows.first()), header);
        const QList<QwtPlotCurve *> &curves = view->plot()->curves();
        QCOMPARE(curves.size(), 2);
        QCOMPARE(curves.first()->dataSize(), size_t(501));
        QCOMPARE(rows.size(), 503); // the header, 501 rows, and the empty after the last line end
        int differ = 0;
        for (int bin = 0; bin < 501; ++bin) {
            const QList<QByteArray> fields = rows.at(bin + 1).split(',');
            QCOMPARE(fields.size(), 3);
            for (int c = 0; c < 2; ++c) {
                const QPointF p = curves.at(c)->sample(size_t(bin));
                differ += fields.at(0).toDouble() != p.x() || fields.at(c + 1).toDouble() != p.y();
            }
        }
        QCOMPARE(differ, 0);
    }

    // Over 131,072 lines the curves draw a few of the 65,537 bins: every one where a pixel
    // column holds one (the low bins on a logarithmic axis), else each column's first, lowest,
    // highest and last, on a linear axis as on a logarithmic one.
    void thinnedCurves()
    {
        MainWindow window;
        prepare(window, 1000);
        MainWindowProbe probe(window);
        const int lines = 1 << 17;
        probe.feed(sineLines(0, lines, 16.3), ChunkQueue::now());
        QVERIFY(probe.nextFrame());
        probe.view()->zoomTo(QRectF(1000 - lines, -5, lines, 10));
        SpectrumView *view = openSpectrum(window);
        QVERIFY(showsTitle(window, view, QStringLiteral("View: 131,072 lines")));
        const SpectrumResult &r = *view->result();
        const QVector<double> &m = r.spectrum.channels.at(0).magnitude;
        const QVector<int> &kept = r.drawn.at(0);
        const int last = int(m.size()) - 1;
        QVERIFY(kept.size() > 4096 && kept.size() < last / 2);
        QCOMPARE(kept.first(), 0);
        QCOMPARE(kept.last(), last);
        QCOMPARE(int(view->plot()->curves().first()->dataSize()), int(kept.size()));
        const int highest = int(std::max_element(m.begin() + 1, m.end()) - m.begin());
        const int lowest = int(std::min_element(m.begin() + 1, m.end()) - m.begin());
        QVERIFY(kept.contains(highest) && kept.contains(lowest));
        int wide = 0;
        for (int i = 1; i < kept.size(); ++i) {
            const int gap = kept[i] - kept[i - 1];
            // At most the bins of a column on either axis, and never back.
            const double column =
                std::min(double(last) / 4096, kept[i - 1] * std::log(double(last)) / 4096);
            wide += gap < 1 || gap > std::max(1.0, std::floor(column)) ? 1 : 0;
        }
        QCOMPARE(wide, 0);
    }

    // Frozen, the spectrum holds still while lines arrive; live again, it follows. Closed, it
    // does no more work; in XY mode it cannot be opened.
    void holdsStillAndStops()
    {
        MainWindow window;
        prepare(window, 1000);
        MainWindowProbe probe(window);
        probe.feed(sineLines(0, 2000, 16));
        QVERIFY(probe.nextFrame());
        SpectrumView *view = openSpectrum(window);
        QVERIFY(showsTitle(window, view, QStringLiteral("View: 1,000 lines")));
        SpectrumWorker *worker = controlsOf(window)->worker();
        QSignalSpy results(worker, &SpectrumWorker::finished);

        action(window, "actionFreeze")->trigger();
        QVERIFY(showsTitle(window, view, QStringLiteral("View: 1,000 lines")));
        QTRY_VERIFY(view->titleLine().endsWith(QStringLiteral("held")));
        const auto held = view->result();
        probe.feed(sineLines(2000, 500, 64));
        moveMouseTo(window, 500, 0); // frames go on while frozen
        QVERIFY(probe.nextFrame());
        QTest::qWait(300);
        QVERIFY(view->result() == held);

        action(window, "actionFreeze")->trigger();
        QVERIFY(QTest::qWaitFor([&] { return view->result() != held && !worker->isBusy(); }));
        QVERIFY(!view->titleLine().endsWith(QStringLiteral("held")));

        view->close();
        QVERIFY(!view->isVisible());
        QTRY_VERIFY(!worker->isBusy());
        results.clear();
        probe.feed(sineLines(2500, 500, 64));
        QVERIFY(probe.nextFrame());
        QTest::qWait(300);
        QCOMPARE(results.size(), 0);
        QVERIFY(!view->result());

        widget<QCheckBox>(window, "checkBox_enableXYGraph")->click();
        QMetaObject::invokeMethod(probe.view()->menu(), "aboutToShow");
        QVERIFY(!action(window, "actionSpectrum")->isEnabled());
        QVERIFY(action(window, "actionSpectrum")->toolTip().contains(QStringLiteral("XY")));
    }
};

QTEST_MAIN(TestSpectrumWindow)
#include "tst_spectrumwindow.moc"
