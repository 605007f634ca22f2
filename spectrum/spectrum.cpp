#include "spectrum/spectrum.h"

#include "spectrum/realfourier.h"
#include "spectrum/sinefit.h"
#include "spectrum/windowshape.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace {

// The amplitude that SpectrumFloorDecibels stands for.
const double FloorAmplitude = 1e-15;

double toDecibels(double amplitude)
{
    return 20.0 * std::log10(std::max(amplitude, FloorAmplitude));
}

} // namespace

struct SpectrumPlan::Private
{
    Private(int samples, const SpectrumOptions &options)
        : samples(std::max(samples, 1)), options(options), window(options.window, this->samples),
          fourier(this->samples)
    {
        const double rate = options.rate > 0 && std::isfinite(options.rate) ? options.rate : 1.0;
        binWidth = rate / this->samples;
        // Off a peak by half a bin, a sine's bin catches the least of it.
        const double leastKernel = window.kernel(0.5);
        mostGain = leastKernel > 0.0 ? window.sum() / leastKernel : 1.0;
    }

    // Bins 0 and n/2 have no mirror image: they take the whole of |X|, the others twice.
    double sides(int bin) const { return bin == 0 || 2 * bin == samples ? 1.0 : 2.0; }
    void findPeaks(const QVector<double> &amplitude, const kiss_fft_cpx *bins, double scale,
                   QVector<SpectrumPeak> *peaks);
    SpectrumPeak refine(const QVector<double> &amplitude, const kiss_fft_cpx *bins, double scale,
                        int peak) const;

    int samples;
    SpectrumOptions options;
    double binWidth = 1.0;
    double mostGain = 1.0;
    WindowShape window;
    RealFourier fourier;
    std::vector<int> candidates;
};

SpectrumPlan::SpectrumPlan(int samples, const SpectrumOptions &options)
    : d(new Private(samples, options))
{
}

SpectrumPlan::~SpectrumPlan() = default;

int SpectrumPlan::samples() const
{
    return d->samples;
}

int SpectrumPlan::bins() const
{
    return d->samples / 2 + 1;
}

double SpectrumPlan::binWidth() const
{
    return d->binWidth;
}

ChannelSpectrum SpectrumPlan::transform(const double *samples)
{
    const int n = d->samples;
    ChannelSpectrum result;
    QVector<double> &amplitude = result.magnitude;
    amplitude.fill(0.0, bins());

    // Four running sums and extremes: one would wait for the last addition at every sample.
    double low[4] = {samples[0], samples[0], samples[0], samples[0]};
    double high[4] = {samples[0], samples[0], samples[0], samples[0]};
    double sums[4] = {0.0, 0.0, 0.0, 0.0};
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        for (int i = 0; i < 4; ++i) {
            low[i] = std::min(low[i], samples[j + i]);
            high[i] = std::max(high[i], samples[j + i]);
            sums[i] += samples[j + i];
        }
    }
    for (; j < n; ++j) {
        low[0] = std::min(low[0], samples[j]);
        high[0] = std::max(high[0], samples[j]);
        sums[0] += samples[j];
    }
    const double lowest = *std::min_element(low, low + 4);
    const double highest = *std::max_element(high, high + 4);
    const double sum = (sums[0] + sums[1]) + (sums[2] + sums[3]);
    const double windowSum = d->window.sum();
    if (lowest == highest || !(windowSum > 0.0)) {
        if (d->options.decibels)
            amplitude.fill(SpectrumFloorDecibels);
        return result;
    }

    // The samples go in divided by the largest of them: whatever their size, the transform's
    // scalars (single precision in some builds) neither overflow nor underflow.
    const double scale = std::max(std::abs(lowest), std::abs(highest));
    const double inverse = 1.0 / scale;
    double mean = sum / n * inverse;
    if (!std::isfinite(sum)) {
        mean = 0.0;
        for (j = 0; j < n; ++j)
            mean += samples[j] * inverse;
        mean /= n;
    }
    kiss_fft_scalar *in = d->fourier.input();
    const double *w = d->window.coefficients().data();
    for (j = 0; j < n; ++j)
        in[j] = kiss_fft_scalar((samples[j] * inverse - mean) * w[j]);

    const kiss_fft_cpx *bin = d->fourier.transform();
    const double unit = scale / windowSum;
    for (int k = 0; k < int(amplitude.size()); ++k) {
        const double re = bin[k].r;
        const double im = bin[k].i;
        amplitude[k] = std::sqrt(re * re + im * im) * unit * d->sides(k);
    }

    d->findPeaks(amplitude, bin, scale, &result.peaks);
    if (d->options.decibels) {
        for (double &a : amplitude)
            a = toDecibels(a);
        for (SpectrumPeak &peak : result.peaks)
            peak.amplitude = toDecibels(peak.amplitude);
    }
    return result;
}

// Refining a peak is worth it for the few highest only. A fit reads a sine at least as high as
// its peak bin, so bins below the third highest peak bin, less what half a bin off can cost,
// cannot come out among the three; of those above, the highest are fitted first until not even a
// sine half a bin off could beat the third peak found.
void SpectrumPlan::Private::findPeaks(const QVector<double> &amplitude, const kiss_fft_cpx *bins,
                                      double scale, QVector<SpectrumPeak> *peaks)
{
    const int last = int(amplitude.size()) - 1;
    const double *a = amplitude.constData();
    const auto isPeak = [&](int k) {
        return a[k] > a[k - 1] && (k == last || a[k] >= a[k + 1]);
    };
    double highest[3] = {0.0, 0.0, 0.0};
    for (int k = 1; k <= last; ++k) {
        if (a[k] > highest[2] && isPeak(k)) {
            highest[2] = a[k];
            if (highest[2] > highest[1])
                std::swap(highest[2], highest[1]);
            if (highest[1] > highest[0])
                std::swap(highest[1], highest[0]);
        }
    }
    const double least = highest[2] / mostGain;
    candidates.clear();
    for (int k = 1; k <= last; ++k) {
        if (a[k] > 0.0 && a[k] >= least && isPeak(k))
            candidates.push_back(k);
    }
    std::sort(candidates.begin(), candidates.end(), [&](int x, int y) { return a[x] > a[y]; });
    for (int k : candidates) {
        if (peaks->size() == 3 && a[k] * mostGain <= peaks->last().amplitude)
            break;
        const SpectrumPeak peak = refine(amplitude, bins, scale, k);
        auto at = std::find_if(peaks->begin(), peaks->end(),
                               [&](const SpectrumPeak &p) { return p.amplitude < peak.amplitude; });
        peaks->insert(at, peak);
        if (peaks->size() > 3)
            peaks->removeLast();
    }
}

// The sine lies within a bin of its peak bin (its mirror image can pull the peak off by more
// than half a bin near 0 and n/2); the fit takes the three bins around it. It looks no lower
// than half a bin: below that a sine of less than half a cycle is as good as the constant taken
// off, and any amplitude fits.
SpectrumPeak SpectrumPlan::Private::refine(const QVector<double> &amplitude,
                                           const kiss_fft_cpx *bins, double scale, int peak) const
{
    const int last = int(amplitude.size()) - 1;
    SpectrumPeak result;
    if (last < 2) {
        result.frequency = peak * binWidth;
        result.amplitude = amplitude[peak];
        return result;
    }
    const int first = std::min(std::max(peak - 1, 0), last - 2);
    const std::complex<double> near[3] = {{bins[first].r, bins[first].i},
                                          {bins[first + 1].r, bins[first + 1].i},
                                          {bins[first + 2].r, bins[first + 2].i}};
    const SineFit fit = fitSine(window, first, near, 3, std::max(peak - 1.0, 0.5),
                                std::min(peak + 1.0, samples / 2.0));
    result.frequency = fit.bin * binWidth;
    // Just below n/2 a sine's quadrature part leaves little trace in the samples, and the fit
    // can make up an amplitude from the tail of another peak: no more than three times what a
    // sine half a bin off would give is believed (a sine that close to n/2 reads low).
    result.amplitude = std::min(fit.amplitude * scale, 3.0 * amplitude[peak] * mostGain);
    return result;
}

Spectrum computeSpectrum(const QVector<QVector<double>> &channels, const SpectrumOptions &options)
{
    Spectrum spectrum;
    spectrum.channels.resize(channels.size());
    const int n = channels.isEmpty() ? 0 : int(channels.first().size());
    if (n == 0)
        return spectrum;
    SpectrumPlan plan(n, options);
    spectrum.samples = n;
    spectrum.binWidth = plan.binWidth();
    for (int c = 0; c < int(channels.size()); ++c) {
        if (channels[c].size() == n)
            spectrum.channels[c] = plan.transform(channels[c].constData());
    }
    return spectrum;
}
