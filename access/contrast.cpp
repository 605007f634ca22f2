#include "access/contrast.h"

#include <cmath>

namespace {

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &color)
{
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

// In whole steps of 8 bits, as the colour is written (#rrggbb) and drawn.
QColor mixed(const QColor &from, const QColor &to, double share)
{
    const auto channel = [share](int a, int b) {
        return qRound(a + (b - a) * share);
    };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor readableOn(const QColor &color, const QColor &background, double ratio)
{
    if (contrastRatio(color, background) >= ratio)
        return color;
    // Towards black on a light background, towards white on a dark one; the least mix that
    // reaches the ratio.
    const QColor target = luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    double low = 0;
    double high = 1;
    for (int step = 0; step < 20; ++step) {
        const double share = (low + high) / 2;
        if (contrastRatio(mixed(color, target, share), background) >= ratio)
            high = share;
        else
            low = share;
    }
    return mixed(color, target, high);
}
