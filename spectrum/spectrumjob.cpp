#include "spectrum/spectrumjob.h"

#include "view/plotview.h"

#include <cmath>

namespace {

// The standard error of a measured rate, relative to it, beyond which it is not taken.
constexpr double maxRateError = 0.02;

} // namespace

SpectrumStretch chooseStretch(const PlotView &view)
{
    SpectrumStretch s;
    if (view.shownPoints()) {
        s.kind = SpectrumStretch::Kind::XY;
        return s;
    }
    const Timeline t = view.timeline();
    if (t.channelCount() == 0)
        return s;
    qint64 from = 0;
    qint64 last = 0; // included
    if (view.cursorCount() == 2) {
        s.kind = SpectrumStretch::Kind::Cursors;
        const qint64 a = qint64(std::llround(view.cursor(0).x()));
        const qint64 b = qint64(std::llround(view.cursor(1).x()));
        from = qMin(a, b);
        last = qMax(a, b);
    } else {
        s.kind = SpectrumStretch::Kind::View;
        const QRectF v = view.currentView();
        const double left = std::ceil(qMin(v.left(), v.right()));
        const double right = std::floor(qMax(v.left(), v.right()));
        // Far beyond what is held, a view's ends stand for "everything there".
        const double limit = 4e15;
        from = qint64(qBound(-limit, left, limit));
        last = qint64(qBound(-limit, right, limit));
    }
    s.from = qMax(from, t.firstLineX());
    s.to = qMax(s.from, qMin(last, t.lastX()) + 1);
    s.chosen = s.to - s.from;
    s.from = qMax(s.from, s.to - SpectrumStretch::MaxLines);
    for (int c : view.shownChannels()) {
        if (c < t.channelCount())
            s.channels << c;
    }
    s.live = view.isLive();
    if (s.live)
        s.newestLine = t.newestLine();
    return s;
}

SpectrumJob takeJob(const PlotView &view, const SpectrumStretch &stretch,
                    const SpectrumSettings &settings)
{
    SpectrumJob job;
    job.stretch = stretch;
    job.settings = settings;
    if (stretch.lines() > 0 && !stretch.channels.isEmpty()) {
        const Timeline t = view.timeline();
        job.samples = t.snapshot(stretch.from, stretch.to);
        if (settings.rate <= 0)
            job.arrivals = t.arrivals(stretch.from, stretch.to);
    }
    return job;
}

double measuredRate(const QVector<History::Arrival> &arrivals)
{
    const int n = int(arrivals.size());
    if (n < 4)
        return 0;
    // About the first one, where doubles hold nanoseconds exactly.
    const History::Arrival &origin = arrivals.first();
    const auto x = [&](const History::Arrival &a) {
        return double(a.number - origin.number);
    };
    const auto t = [&](const History::Arrival &a) {
        return double(a.time - origin.time);
    };
    double meanX = 0;
    double meanT = 0;
    for (const History::Arrival &a : arrivals) {
        meanX += x(a);
        meanT += t(a);
    }
    meanX /= n;
    meanT /= n;
    double xx = 0;
    double xt = 0;
    for (const History::Arrival &a : arrivals) {
        xx += (x(a) - meanX) * (x(a) - meanX);
        xt += (x(a) - meanX) * (t(a) - meanT);
    }
    // Nanoseconds per line.
    const double slope = xx > 0 ? xt / xx : 0;
    if (!(slope > 0))
        return 0;
    // Its standard error, from how far the times stray from the line: lines that came in a few
    // large chunks over a short stretch tell the rate too roughly to be taken.
    double residuals = 0;
    for (const History::Arrival &a : arrivals) {
        const double r = t(a) - meanT - slope * (x(a) - meanX);
        residuals += r * r;
    }
    const double error = std::sqrt(residuals / (n - 2) / xx);
    return error <= slope * maxRateError ? 1e9 / slope : 0;
}
