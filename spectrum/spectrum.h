#ifndef CORVALE_SPECTRUM_H
#define CORVALE_SPECTRUM_H

#include <QVector>

#include <memory>

// The frequency view of channels of samples: an amplitude per frequency bin, and the highest
// peaks measured between the bins. A plain computation without QObjects or shared state, meant
// for a worker thread: calls with data of their own (and SpectrumPlans of their own) may run at
// the same time.

enum class SpectrumWindow { Hann, Rectangular, Hamming, BlackmanHarris };

struct SpectrumOptions
{
    SpectrumWindow window = SpectrumWindow::Hann;
    bool decibels = false; // magnitudes as 20 log10(amplitude) instead of the amplitude
    double rate = 0;       // lines per second; 0: frequencies in cycles per line
};

// Decibels stop here (an amplitude of 1e-15) instead of going to -inf: an empty bin, a constant
// channel.
constexpr double SpectrumFloorDecibels = -300.0;

struct SpectrumPeak
{
    double frequency = 0;
    double amplitude = 0; // in the unit of the magnitudes
};

struct ChannelSpectrum
{
    // One per bin, bins 0 .. n/2. A sine of amplitude A at a bin's frequency reads A there,
    // whatever n and the window; the mean is taken off first, so bin 0 is about 0.
    QVector<double> magnitude;
    // The three highest local maxima above bin 0 (fewer where there are fewer), highest first,
    // each with the frequency and amplitude of the sine that best gives the bins around it,
    // between bins too. A constant channel has none.
    QVector<SpectrumPeak> peaks;
};

struct Spectrum
{
    double binWidth = 0; // frequency step between bins
    int samples = 0;
    QVector<ChannelSpectrum> channels;
    double frequency(int bin) const { return bin * binWidth; }
};

// Spectra of channels of the same length n, one ChannelSpectrum each (an empty one for a channel
// of another length than the first). Samples are finite numbers.
Spectrum computeSpectrum(const QVector<QVector<double>> &channels, const SpectrumOptions &options);

// What computeSpectrum does, a channel at a time, for a caller that spreads the channels over
// threads, stops early or computes the same length again. Building it sets up the transform and
// the window (the costly part for long lengths); transform() then takes one channel. It keeps
// its working buffers, so a plan serves one thread at a time: one plan per thread.
class SpectrumPlan
{
public:
    SpectrumPlan(int samples, const SpectrumOptions &options);
    ~SpectrumPlan();
    SpectrumPlan(const SpectrumPlan &) = delete;
    SpectrumPlan &operator=(const SpectrumPlan &) = delete;

    int samples() const;
    int bins() const;
    double binWidth() const;

    // The spectrum of samples() values.
    ChannelSpectrum transform(const double *samples);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif
