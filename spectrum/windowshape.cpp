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
    // w[n - j] = w[j]: half the cosines, and the higher ones from the first by the multiple-angle
    // formulas, since building a long window would otherwise cost as much as a transform.
    for (int j = 0; 2 * j <= samples; ++j) {
        const double c = std::cos(2.0 * Pi * j / samples);
        const double cosines[4] = {1.0, c, 2.0 * c * c - 1.0, (4.0 * c * c - 3.0) * c};
        double w = 0.0;
        for (int m = 0; m < m_terms; ++m)
            w += (m % 2 ? -m_a[m] : m_a[m]) * cosines[m];
        m_coefficients[size_t(j)] = w;
        if (j > 0 && j < samples - j)
            m_coefficients[size_t(samples - j)] = w;
    }
    double sum = 0.0;
    for (double w : m_coefficients)
        sum += w;
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
