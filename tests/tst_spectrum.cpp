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
    const int n = x.size();
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
        QCOMPARE(c.magnitude.size(), n / 2 + 1);
        QVERIFY(allFinite(c));
        QVERIFY(!c.peaks.isEmpty());
        const double binWidth = (rate > 0 ? rate : 1.0) / n;
        const SpectrumPeak peak = c.peaks.first();
        QVERIFY2(std::abs(peak.frequency / binWidth - bins) < 0.1,
                 qPrintable(QString::number(peak.frequency / binWidth)));
        QVERIFY2(std::abs(peak.amplitude / amplitude - 1.0) < tolerance,
                 qPrintable(QString::number(peak.amplitude / amplitude)));
    }

private:
};

QTEST_APPLESS_MAIN(TestSpectrum)
#include "tst_spectrum.moc"
