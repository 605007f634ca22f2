#include "spectrum/sinefit.h"

#include "spectrum/windowshape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The bin values of a cos(2 pi f j / n + phi) + c are linear in (a cos phi, a sin phi, c): for a
// frequency f, least squares gives those three and what is left unexplained.
struct Solution
{
    double residual = std::numeric_limits<double>::infinity();
    std::complex<double> half; // a exp(i phi) / 2
};

Solution solve(const WindowShape &window, int first, const std::complex<double> *bins, int count,
               double f)
{
    // Normal equations of the real system, two rows (real and imaginary part) per bin.
    double normal[3][3] = {};
    double right[3] = {};
    for (int b = 0; b < count; ++b) {
        const int k = first + b;
        const std::complex<double> up = window.response(f - k);
        const std::complex<double> mirror = window.response(-f - k);
        const std::complex<double> column[3] = {
            up + mirror, std::complex<double>(0, 1) * (up - mirror), window.response(-k)};
        for (int r = 0; r < 3; ++r) {
            right[r] += column[r].real() * bins[b].real() + column[r].imag() * bins[b].imag();
            for (int c = 0; c < 3; ++c)
                normal[r][c] +=
                    column[r].real() * column[c].real() + column[r].imag() * column[c].imag();
        }
    }
    // Far from bin 0 the constant leaves no trace, and at 0 and n/2 the sine's phase none:
    // a slight ridge keeps those unknowns at zero instead of dividing by it.
    const double ridge =
        1e-12 * (normal[0][0] + normal[1][1] + normal[2][2]) + std::numeric_limits<double>::min();
    for (int r = 0; r < 3; ++r)
        normal[r][r] += ridge;
    // Cholesky: the ridged matrix is positive definite.
    double l[3][3] = {};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c <= r; ++c) {
            double s = normal[r][c];
            for (int i = 0; i < c; ++i)
                s -= l[r][i] * l[c][i];
            l[r][c] = r == c ? std::sqrt(std::max(s, ridge)) : s / l[c][c];
        }
    }
    double p[3];
    for (int r = 0; r < 3; ++r) {
        double s = right[r];
        for (int i = 0; i < r; ++i)
            s -= l[r][i] * p[i];
        p[r] = s / l[r][r];
    }
    for (int r = 2; r >= 0; --r) {
        double s = p[r];
        for (int i = r + 1; i < 3; ++i)
            s -= l[i][r] * p[i];
        p[r] = s / l[r][r];
    }

    Solution solution;
    solution.half = {p[0], p[1]};
    solution.residual = 0.0;
    for (int b = 0; b < count; ++b) {
        const int k = first + b;
        const std::complex<double> model = solution.half * window.response(f - k) +
                                           std::conj(solution.half) * window.response(-f - k) +
                                           p[2] * window.response(-k);
        solution.residual += std::norm(bins[b] - model);
    }
    return solution;
}

} // namespace

SineFit fitSine(const WindowShape &window, int first, const std::complex<double> *bins, int count,
                double low, double high)
{
    // A coarse look over the range, then a golden-section search around the best point.
    const int steps = 8;
    const double step = (high - low) / steps;
    double best = low;
    double bestResidual = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= steps; ++i) {
        const double f = low + i * step;
        const double residual = solve(window, first, bins, count, f).residual;
        if (residual < bestResidual) {
            bestResidual = residual;
            best = f;
        }
    }
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double a = std::max(low, best - step);
    double b = std::min(high, best + step);
    double x1 = b - ratio * (b - a);
    double x2 = a + ratio * (b - a);
    double r1 = solve(window, first, bins, count, x1).residual;
    double r2 = solve(window, first, bins, count, x2).residual;
    // 36 steps narrow a quarter bin down to about 1e-8 bin.
    for (int i = 0; i < 36; ++i) {
        if (r1 < r2) {
            b = x2;
            x2 = x1;
            r2 = r1;
            x1 = b - ratio * (b - a);
            r1 = solve(window, first, bins, count, x1).residual;
        } else {
            a = x1;
            x1 = x2;
            r1 = r2;
            x2 = a + ratio * (b - a);
            r2 = solve(window, first, bins, count, x2).residual;
        }
    }
    SineFit fit;
    fit.bin = 0.5 * (a + b);
    fit.amplitude = 2.0 * std::abs(solve(window, first, bins, count, fit.bin).half);
    return fit;
}
