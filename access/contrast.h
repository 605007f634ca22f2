#ifndef CORVALE_CONTRAST_H
#define CORVALE_CONTRAST_H

#include <QColor>

// Text must stand out from what it is drawn on: 4.5 to 1 at least, as WCAG's level AA asks of
// normal text.
constexpr double ReadableContrast = 4.5;

// The contrast of two opaque colours by WCAG 2: 1 (the same) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// `color`, made darker on a light background or lighter on a dark one, its hue kept, just far
// enough to reach `ratio` against `background`: text in a channel's colour stays readable.
QColor readableOn(const QColor &color, const QColor &background, double ratio = ReadableContrast);

#endif
