#ifndef CORVALE_ZOOMLIMITS_H
#define CORVALE_ZOOMLIMITS_H

// One axis of a view, in plot coordinates, low <= high.
struct Span
{
    double low = 0;
    double high = 0;
    double width() const { return high - low; }
    bool operator==(const Span &other) const { return low == other.low && high == other.high; }
};

// Zooming out grows a view towards the extent of what there is to see, and no further: along an
// axis the view stops at the limits, and once one side stands at its limit the rest of the growth
// goes to the other side, so that zooming out anywhere ends at the whole extent. A view that
// already reaches beyond the limits (panned there, say) keeps what it shows and grows no more.
Span grownWithin(const Span &current, const Span &wanted, const Span &limits);

// The smallest span holding both.
Span united(const Span &a, const Span &b);

// The values low...high with room above and below, so that the extremes do not sit on the
// canvas's edge; a single value gets room of its own.
Span withMargin(double low, double high);

#endif
