#ifndef CORVALE_WINDOWSHAPE_H
#define CORVALE_WINDOWSHAPE_H

#include "spectrum/spectrum.h"

#include <complex>
#include <vector>

// A window as a sum of cosines, in its periodic form: w[j] = sum over m of (-1)^m a[m]
// cos(2 pi m j / n), j < n. Periodic rather than symmetric because its transform is then exactly
// a few shifted Dirichlet kernels, in closed form: the peak fit models the bins around a peak
// with it exactly for every n, not only in the limit of large n.
class WindowShape
{
public:
    WindowShape(SpectrumWindow window, int samples);

    int samples() const { return m_samples; }
    const std::vector<double> &coefficients() const { return m_coefficients; }
    // The sum of the coefficients, which is also kernel(0).
    double sum() const { return m_sum; }

    // The transform of the window x bins from zero, sum over j of w[j] exp(2 pi i x j / n): what
    // a bin catches of exp(2 pi i f j / n) when the bin lies x bins below f.
    std::complex<double> response(double x) const;
    double kernel(double delta) const { return std::abs(response(delta)); }

private:
    double m_a[4] = {1.0, 0.0, 0.0, 0.0};
    int m_terms = 1;
    int m_samples = 0;
    double m_sum = 0.0;
    std::vector<double> m_coefficients;
};

#endif
