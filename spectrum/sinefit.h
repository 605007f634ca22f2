#ifndef CORVALE_SINEFIT_H
#define CORVALE_SINEFIT_H

#include <complex>

class WindowShape;

struct SineFit
{
    double bin = 0;       // the sine's frequency, in bins (fractional)
    double amplitude = 0; // in the unit of the transformed samples
};

// The real sine with a frequency from low to high (in bins) that best explains `count` transform
// bins from bin `first` on, as the window's response to the sine, to its mirror image at minus
// its frequency, and to the constant left over from taking off the samples' mean. Near bin 0 and
// n/2 the mirror image overlaps the sine itself, which the ratio of two bins cannot tell apart.
SineFit fitSine(const WindowShape &window, int first, const std::complex<double> *bins, int count,
                double low, double high);

#endif
