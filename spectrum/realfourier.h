#ifndef CORVALE_REALFOURIER_H
#define CORVALE_REALFOURIER_H

#include <kiss_fft.h>
#include <kiss_fftr.h>

#include <vector>

// The discrete Fourier transform of n real samples, bins 0 .. n/2, for any n >= 1, in
// O(n log n). Kiss FFT's mixed radix is quick for factors 2, 3 and 5 but costs n p for a prime
// factor p, so a length with large prime factors goes through Bluestein's chirp-z instead: a
// convolution computed with transforms of a quick length of at least 2n - 1.
//
// The buffers are the object's own (and so is kiss_fftr's scratch): one call at a time.
class RealFourier
{
public:
    enum class Method {
        Real,    // kiss_fftr: n even, n/2 without large prime factors
        Complex, // kiss_fft of the samples as complex numbers: n odd, no large prime factors
        ChirpZ   // Bluestein on kiss_fft
    };

    explicit RealFourier(int samples);
    ~RealFourier();
    RealFourier(const RealFourier &) = delete;
    RealFourier &operator=(const RealFourier &) = delete;

    int samples() const { return m_samples; }
    int bins() const { return m_samples / 2 + 1; }
    Method method() const { return m_method; }

    // The caller writes its n samples here, then calls transform().
    kiss_fft_scalar *input() { return m_input.data(); }
    // Bins 0 .. n/2 of the samples in input(), valid until the next call.
    const kiss_fft_cpx *transform();

private:
    void chirpZ();

    int m_samples = 0;
    Method m_method = Method::Real;
    std::vector<kiss_fft_scalar> m_input;
    std::vector<kiss_fft_cpx> m_output;
    kiss_fftr_cfg m_real = nullptr;
    kiss_fft_cfg m_complex = nullptr;
    std::vector<kiss_fft_cpx> m_work;
    // Chirp-z: its length, the chirp exp(i pi j^2 / n) and the transformed filter (divided by
    // the length, which the inverse transform leaves out).
    int m_length = 0;
    std::vector<kiss_fft_cpx> m_chirp;
    std::vector<kiss_fft_cpx> m_filter;
};

#endif
