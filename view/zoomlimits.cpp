#include "view/zoomlimits.h"

#include <QtGlobal>

#include <cmath>

namespace {

// A twentieth of the values' range on either side.
constexpr double marginShare = 0.05;

} // namespace

Span grownWithin(const Span &current, const Span &wanted, const Span &limits)
{
    const Span bounds = united(current, limits);
    const double width = wanted.width();
    if (!(width < bounds.width()))
        return bounds;
    if (wanted.low < bounds.low)
        return {bounds.low, bounds.low + width};
    if (wanted.high > bounds.high)
        return {bounds.high - width, bounds.high};
    return wanted;
}

Span united(const Span &a, const Span &b)
{
    return {qMin(a.low, b.low), qMax(a.high, b.high)};
}

Span withMargin(double low, double high)
{
    double margin = (high - low) * marginShare;
    if (!(margin > 0))
        margin = qMax(std::fabs(low) * marginShare, 1.0);
    return {low - margin, high + margin};
}
