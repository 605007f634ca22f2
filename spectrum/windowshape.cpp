#include "spectrum/windowshape.h"

#include <cmath>

namespace {

const double Pi = 3.14159265358979323846;

// sum over j < n of exp(2 pi i x j / n), the transform of n ones x bins away.
std::complex<double> dirichlet(double x, int n)
{
    const double below = std::sin(Pi * x / n);
    // At whole multiples of n every term is 1 (up to sign): take the limit there.
    const double ratio = std::abs(below) < 1e-12 ? n * std::cos(Pi * x) / std::cos(Pi * x / n)
                                                 : std::sin(Pi * x) / below;
    return std::polar(ratio, Pi * x * (n - 1) / n);
}

} // namespace

WindowShape::WindowShape(SpectrumWindow window, int samples) : m_samples(samples)
{
    switch (window) {
    case SpectrumWindow::Rectangular:
        m_terms = 1;
        break;
    case SpectrumWindow::Hann:
        m_a[0] = 0.5;
        m_a[1] = 0.5;
        m_terms = 2;
        break;
    case SpectrumWindow::Hamming:
        m_a[0] = 0.54;
        m_a[1] = 0.46;
        m_terms = 2;
        break;
    case SpectrumWindow::BlackmanHarris:
        m_a[0] = 0.35875;
        m_a[1] = 0.48829;
        m_a[2] = 0.14128;
        m_a[3] = 0.01168;
        m_terms = 4;
        break;
    }

    m_coefficients.resize(samples > 0 ? size_t(samples) : 0);
    double sum = 0.0;
    for (int j = 0; j < samples; ++j) {
        double w = m_a[0];
        for (int m = 1; m < m_terms; ++m) {
            // m j taken modulo n keeps the angle small, and so exact, for long windows.
            const double angle = 2.0 * Pi * double((qint64(m) * j) % samples) / samples;
            w += (m % 2 ? -m_a[m] : m_a[m]) * std::cos(angle);
        }
        m_coefficients[size_t(j)] = w;
        sum += w;
    }
    m_sum = sum;
}

std::complex<double> WindowShape::response(double x) const
{
    if (m_samples < 1)
        return 0.0;
    // Each cosine of the window shifts the samples' transform by its frequency, m bins either way.
    std::complex<double> total = m_a[0] * dirichlet(x, m_samples);
    for (int m = 1; m < m_terms; ++m) {
        const double c = (m % 2 ? -m_a[m] : m_a[m]) / 2.0;
        total += c * (dirichlet(x - m, m_samples) + dirichlet(x + m, m_samples));
    }
    return total;
}
