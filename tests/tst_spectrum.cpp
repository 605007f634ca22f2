// The spectrum: amplitudes and refined peaks of sines between bins, over every way the transform
// is taken (real, complex, chirp-z lengths), checked against a plain DFT; the edge cases a live
// window hands it (a constant channel, one or two samples, huge or tiny values).

#include "spectrum/spectrum.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <complex>

Q_DECLARE_METATYPE(SpectrumWindow)

namespace {

const double Pi = 3.14159265358979323846;

// offset + amplitude cos(2 pi bins j / n + phase): `bins` cycles over the n samples.
QVector<double> sine(int n, double bins, double amplitude, double phase = 0.7, double offset = 0)
{
    QVector<double> x(n);
    for (int j = 0; j < n; ++j)
        x[j] = offset + amplitude * std::cos(2.0 * Pi * bins * j / n + phase);
    return x;
}

QVector<double> noise(int n, quint32 seed)
{
    QVector<double> x(n);
    quint32 state = seed;
    for (double &v : x) {
        state = state * 1664525u + 1013904223u;
        v = double(state >> 8) / double(1 << 24) - 0.5 + 3.0;
    }
    return x;
}

ChannelSpectrum spectrumOf(const QVector<double> &x, SpectrumOptions options)
{
    const Spectrum s = computeSpectrum({x}, options);
    return s.channels.value(0);
}

// The single-sided amplitudes straight from the definition, the window written out here.
QVector<double> directAmplitudes(const QVector<double> &x, SpectrumWindow window)
{
    const int n = int(x.size());
    double a[4] = {1, 0, 0, 0};
    if (window == SpectrumWindow::Hann) {
        a[0] = a[1] = 0.5;
    } else if (window == SpectrumWindow::Hamming) {
        a[0] = 0.54;
        a[1] = 0.46;
    } else if (window == SpectrumWindow::BlackmanHarris) {
        a[0] = 0.35875;
        a[1] = 0.48829;
        a[2] = 0.14128;
        a[3] = 0.01168;
    }
    double mean = 0;
    for (double v : x)
        mean += v / n;
    QVector<double> y(n);
    double windowSum = 0;
    for (int j = 0; j < n; ++j) {
        const double t = 2.0 * Pi * j / n;
        const double w =
            a[0] - a[1] * std::cos(t) + a[2] * std::cos(2 * t) - a[3] * std::cos(3 * t);
        y[j] = (x[j] - mean) * w;
        windowSum += w;
    }
    QVector<double> amplitude(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0;
        for (int j = 0; j < n; ++j)
            sum += y[j] * std::polar(1.0, -2.0 * Pi * double((qint64(j) * k) % n) / n);
        const double sides = (k == 0 || 2 * k == n) ? 1.0 : 2.0;
        amplitude[k] = std::abs(sum) * sides / windowSum;
    }
    return amplitude;
}

bool allFinite(const ChannelSpectrum &c)
{
    for (double m : c.magnitude)
        if (!std::isfinite(m))
            return false;
    for (const SpectrumPeak &p : c.peaks)
        if (!std::isfinite(p.frequency) || !std::isfinite(p.amplitude))
            return false;
    return true;
}

} // namespace

class TestSpectrum : public QObject
{
    Q_OBJECT

private slots:
    // A sine anywhere between bins: the highest peak gives its frequency and amplitude.
    void sinePeak_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("bins");
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<SpectrumWindow>("window");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("tolerance"); // relative, on the amplitude

        const auto hann = SpectrumWindow::Hann;
        QTest::newRow("at a bin") << 1024 << 100.0 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("a quarter off") << 1024 << 100.25 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("half a bin off") << 1024 << 100.5 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("short") << 64 << 5.3 << 2.0 << hann << 0.0 << 0.01;
        QTest::newRow("odd, quick factors") << 1125 << 200.4 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("prime (chirp-z)") << 1009 << 123.45 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("even, large prime") << 2018 << 300.8 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("2^20") << (1 << 20) << 1234.56 << 0.3 << hann << 0.0 << 0.01;
        QTest::newRow("in Hz") << 4096 << 409.7 << 1.0 << hann << 1000.0 << 0.01;
        QTest::newRow("bin 1") << 1024 << 1.3 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("last bin") << 1024 << 511.8 << 1.0 << hann << 0.0 << 0.01;
        QTest::newRow("huge") << 4096 << 77.7 << 1e300 << hann << 0.0 << 0.01;
        QTest::newRow("tiny") << 4096 << 77.7 << 1e-300 << hann << 0.0 << 0.01;
        QTest::newRow("rectangular")
            << 1024 << 100.3 << 1.0 << SpectrumWindow::Rectangular << 0.0 << 0.01;
        QTest::newRow("Hamming") << 1024 << 100.3 << 1.0 << SpectrumWindow::Hamming << 0.0 << 0.01;
        QTest::newRow("Blackman-Harris")
            << 1024 << 100.3 << 1.0 << SpectrumWindow::BlackmanHarris << 0.0 << 0.01;
    }
    void sinePeak()
    {
        QFETCH(int, n);
        QFETCH(double, bins);
        QFETCH(double, amplitude);
        QFETCH(SpectrumWindow, window);
        QFETCH(double, rate);
        QFETCH(double, tolerance);
        SpectrumOptions options;
        options.window = window;
        options.rate = rate;
        const ChannelSpectrum c = spectrumOf(sine(n, bins, amplitude), options);
        QCOMPARE(int(c.magnitude.size()), n / 2 + 1);
        QVERIFY(allFinite(c));
        QVERIFY(!c.peaks.isEmpty());
        const double binWidth = (rate > 0 ? rate : 1.0) / n;
        const SpectrumPeak peak = c.peaks.first();
        QVERIFY2(std::abs(peak.frequency / binWidth - bins) < 0.1,
                 qPrintable(QString::number(peak.frequency / binWidth)));
        QVERIFY2(std::abs(peak.amplitude / amplitude - 1.0) < tolerance,
                 qPrintable(QString::number(peak.amplitude / amplitude)));
    }

    // Sines 10 bins apart are peaks of their own, highest first; a short transform with one
    // sine has one peak only.
    void peaks_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<SpectrumWindow>("window");
        QTest::addColumn<QVector<double>>("bins");       // of each sine
        QTest::addColumn<QVector<double>>("amplitudes"); // in the order the peaks must come
        QTest::addColumn<int>("count"); // at most: beside the sines, the highest leakage

        const auto hann = SpectrumWindow::Hann;
        QTest::newRow("two equal")
            << 4096 << hann << QVector<double>{300.3, 310.3} << QVector<double>{1.0, 1.0} << 3;
        QTest::newRow("two unequal")
            << 4096 << hann << QVector<double>{510.7, 500.7} << QVector<double>{1.0, 0.1} << 3;
        QTest::newRow("three, highest first")
            << 4096 << hann << QVector<double>{700.6, 1500.9, 100.2}
            << QVector<double>{1.0, 0.5, 0.25} << 3;
        QTest::newRow("Blackman-Harris")
            << 4096 << SpectrumWindow::BlackmanHarris << QVector<double>{1000.5, 1010.5}
            << QVector<double>{0.7, 0.2} << 3;
        QTest::newRow("one in four samples") << 4 << SpectrumWindow::Rectangular
                                             << QVector<double>{1.0} << QVector<double>{1.0} << 1;
    }
    void peaks()
    {
        QFETCH(int, n);
        QFETCH(SpectrumWindow, window);
        QFETCH(QVector<double>, bins);
        QFETCH(QVector<double>, amplitudes);
        QFETCH(int, count);
        QVector<double> x(n, 0.0);
        for (int s = 0; s < int(bins.size()); ++s) {
            const QVector<double> one = sine(n, bins[s], amplitudes[s], 0.3 + s);
            for (int j = 0; j < n; ++j)
                x[j] += one[j];
        }
        SpectrumOptions options;
        options.window = window;
        const ChannelSpectrum c = spectrumOf(x, options);
        // What else than the sines reaches the three highest depends on the transform's
        // precision (single with Debian's library, double on Windows).
        QVERIFY2(int(c.peaks.size()) >= int(bins.size()) && int(c.peaks.size()) <= count,
                 qPrintable(QString::number(c.peaks.size())));
        for (int s = 0; s < int(bins.size()); ++s) {
            QVERIFY2(std::abs(c.peaks[s].frequency * n - bins[s]) < 0.1,
                     qPrintable(QString::number(c.peaks[s].frequency * n)));
            QVERIFY2(std::abs(c.peaks[s].amplitude / amplitudes[s] - 1.0) < 0.01,
                     qPrintable(QString::number(c.peaks[s].amplitude)));
        }
    }

    // A large offset is taken off before the window: bin 0 stays near 0 and the sine reads
    // as without it, however large the offset against the sine.
    void offsetRemoved_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("offset");

        QTest::newRow("1e3") << 1024 << 1e3;
        QTest::newRow("-5e4, chirp-z") << 1009 << -5e4;
        QTest::newRow("1e6 over 2^16") << (1 << 16) << 1e6;
    }
    void offsetRemoved()
    {
        QFETCH(int, n);
        QFETCH(double, offset);
        SpectrumOptions options;
        const ChannelSpectrum plain = spectrumOf(sine(n, 100.25, 1.0), options);
        const ChannelSpectrum shifted = spectrumOf(sine(n, 100.25, 1.0, 0.7, offset), options);
        QVERIFY2(std::abs(shifted.magnitude[0]) < 1e-3,
                 qPrintable(QString::number(shifted.magnitude[0])));
        QVERIFY(!shifted.peaks.isEmpty());
        QVERIFY(std::abs(shifted.peaks[0].frequency - plain.peaks[0].frequency) * n < 0.01);
        QVERIFY(std::abs(shifted.peaks[0].amplitude - plain.peaks[0].amplitude) < 1e-3);
    }

    // A constant channel (a flat line, a disconnected input) has nothing in any bin and no
    // peaks: zeros, or the floor in decibels, never NaN or -inf.
    void constantChannel_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("decibels");

        QTest::newRow("zero") << 1000 << 0.0 << false;
        QTest::newRow("0.1 (a mean that does not come out exact)") << 1001 << 0.1 << false;
        QTest::newRow("0.1 in dB") << 1001 << 0.1 << true;
        QTest::newRow("-1e300 in dB, chirp-z") << 1009 << -1e300 << true;
        QTest::newRow("one sample") << 1 << 5.0 << false;
        QTest::newRow("one sample in dB") << 1 << 5.0 << true;
    }
    void constantChannel()
    {
        QFETCH(int, n);
        QFETCH(double, value);
        QFETCH(bool, decibels);
        SpectrumOptions options;
        options.decibels = decibels;
        const ChannelSpectrum c = spectrumOf(QVector<double>(n, value), options);
        QCOMPARE(int(c.magnitude.size()), n / 2 + 1);
        for (double m : c.magnitude)
            QCOMPARE(m, decibels ? SpectrumFloorDecibels : 0.0);
        QVERIFY(c.peaks.isEmpty());
    }

    // One, two and three samples: one or two bins, every window, no NaN; two samples hold a
    // sine at half the rate, read as such.
    void shortLengths_data()
    {
        QTest::addColumn<QVector<double>>("samples");
        QTest::addColumn<SpectrumWindow>("window");

        const SpectrumWindow windows[] = {SpectrumWindow::Hann, SpectrumWindow::Rectangular,
                                          SpectrumWindow::Hamming, SpectrumWindow::BlackmanHarris};
        const char *names[] = {"Hann", "rectangular", "Hamming", "Blackman-Harris"};
        for (int w = 0; w < 4; ++w) {
            QTest::addRow("1, %s", names[w]) << QVector<double>{2.0} << windows[w];
            QTest::addRow("2, %s", names[w]) << QVector<double>{3.0, 1.0} << windows[w];
            QTest::addRow("3, %s", names[w]) << QVector<double>{1.0, -2.0, 4.0} << windows[w];
        }
    }
    void shortLengths()
    {
        QFETCH(QVector<double>, samples);
        QFETCH(SpectrumWindow, window);
        for (bool decibels : {false, true}) {
            SpectrumOptions options;
            options.window = window;
            options.decibels = decibels;
            options.rate = 10.0;
            const Spectrum s = computeSpectrum({samples}, options);
            QCOMPARE(s.samples, int(samples.size()));
            QCOMPARE(s.channels[0].magnitude.size(), samples.size() / 2 + 1);
            QVERIFY(allFinite(s.channels[0]));
            for (const SpectrumPeak &p : s.channels[0].peaks)
                QVERIFY(p.frequency >= 0 && p.frequency <= 5.0);
        }
        if (samples.size() == 2 && window == SpectrumWindow::Rectangular) {
            SpectrumOptions options;
            options.window = window;
            const ChannelSpectrum c = spectrumOf(samples, options);
            QCOMPARE(int(c.magnitude.size()), 2);
            QVERIFY(std::abs(c.magnitude[0]) < 1e-6 && std::abs(c.magnitude[1] - 1.0) < 1e-6);
            QCOMPARE(int(c.peaks.size()), 1);
            QCOMPARE(c.peaks[0].frequency, 0.5);
            QVERIFY(std::abs(c.peaks[0].amplitude - 1.0) < 1e-6);
        }
    }

    // In decibels a sine of amplitude A reads 20 log10(A) at its peak and, at a bin's
    // frequency, in that bin.
    void decibels_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("bins");

        QTest::newRow("1 at a bin") << 1.0 << 200.0;
        QTest::newRow("1000 at a bin") << 1000.0 << 200.0;
        QTest::newRow("0.001 between bins") << 0.001 << 200.37;
        QTest::newRow("3.3 between bins") << 3.3 << 200.5;
    }
    void decibels()
    {
        QFETCH(double, amplitude);
        QFETCH(double, bins);
        SpectrumOptions options;
        options.decibels = true;
        const int n = 2048;
        const ChannelSpectrum c = spectrumOf(sine(n, bins, amplitude), options);
        const double expected = 20.0 * std::log10(amplitude);
        QVERIFY(!c.peaks.isEmpty());
        // 0.09 dB is 1 %.
        QVERIFY2(std::abs(c.peaks[0].amplitude - expected) < 0.09,
                 qPrintable(QString::number(c.peaks[0].amplitude)));
        if (bins == std::floor(bins))
            QVERIFY(std::abs(c.magnitude[int(bins)] - expected) < 0.09);
    }

    // Every way of taking the transform (real, complex, Kiss FFT's generic butterflies, chirp-z)
    // agrees with the DFT written out, window and scaling included.
    void matchesDirectTransform_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<SpectrumWindow>("window");

        QTest::newRow("3") << 3 << SpectrumWindow::Rectangular;
        QTest::newRow("15, complex") << 15 << SpectrumWindow::Hann;
        QTest::newRow("97, generic") << 97 << SpectrumWindow::Rectangular;
        QTest::newRow("100, real") << 100 << SpectrumWindow::Hann;
        QTest::newRow("101, generic") << 101 << SpectrumWindow::Hamming;
        QTest::newRow("1125, complex") << 1125 << SpectrumWindow::BlackmanHarris;
        QTest::newRow("1009, chirp-z") << 1009 << SpectrumWindow::Hann;
        QTest::newRow("2018, chirp-z") << 2018 << SpectrumWindow::BlackmanHarris;
        QTest::newRow("2 x 7 x 11 x 13, real") << 2002 << SpectrumWindow::Rectangular;
    }
    void matchesDirectTransform()
    {
        QFETCH(int, n);
        QFETCH(SpectrumWindow, window);
        const QVector<double> x = noise(n, quint32(n));
        SpectrumOptions options;
        options.window = window;
        const ChannelSpectrum c = spectrumOf(x, options);
        const QVector<double> expected = directAmplitudes(x, window);
        QCOMPARE(c.magnitude.size(), expected.size());
        const double largest = *std::max_element(expected.begin(), expected.end());
        // Single precision where Kiss FFT is built so (Debian's).
        for (int k = 0; k < int(expected.size()); ++k)
            QVERIFY2(
                std::abs(c.magnitude[k] - expected[k]) <= 1e-5 * largest,
                qPrintable(
                    QString("bin %1: %2, not %3").arg(k).arg(c.magnitude[k]).arg(expected[k])));
    }

    // A plan's buffers serve one channel after another: nothing of one is left in the next.
    void channelsAreIndependent_data()
    {
        QTest::addColumn<int>("n");

        QTest::newRow("real") << 4096;
        QTest::newRow("complex") << 3375;
        QTest::newRow("chirp-z") << 4099;
    }
    void channelsAreIndependent()
    {
        QFETCH(int, n);
        const QVector<double> first = sine(n, 300.4, 5.0);
        const QVector<double> flat(n, 1.5);
        const QVector<double> second = noise(n, 7);
        SpectrumOptions options;
        const Spectrum together =
            computeSpectrum({first, flat, second, QVector<double>(3)}, options);
        QCOMPARE(int(together.channels.size()), 4);
        QVERIFY(together.channels[1].peaks.isEmpty());
        QCOMPARE(together.channels[1].magnitude, QVector<double>(n / 2 + 1, 0.0));
        QCOMPARE(together.channels[2].magnitude, spectrumOf(second, options).magnitude);
        // A channel of another length than the first has no spectrum.
        QVERIFY(together.channels[3].magnitude.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestSpectrum)
#include "tst_spectrum.moc"
