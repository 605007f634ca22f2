// The spectrum's worker on the largest stretch there is: 2^20 lines of six channels, as many as
// the history holds, the time from handing the job over to the result (the plans built the first
// time, reused after). Older builds lack the spectrum.

#include "common.h"

#if __has_include("spectrum/spectrumworker.h")
#include "spectrum/spectrumplot.h"
#include "spectrum/spectrumworker.h"
#include "view/history.h"
#define CORVALE_BENCH_SPECTRUM 1
#endif

#include <algorithm>
#include <vector>

namespace bench {

int runSpectrumTimeCase()
{
#ifndef CORVALE_BENCH_SPECTRUM
    std::printf("spectrum1m not available in this build\nRESULT spectrum1m unavailable\n");
    std::fflush(stdout);
    return 0;
#else
    const int channels = 6;
    const qint64 lines = History::DefaultCapacity;
    const int width = 10000;
    History history;
    history.reset(channels);
    SampleStore window;
    window.reset(channels, width);
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    double line[channels];
    for (qint64 n = 0; n < lines; ++n) {
        for (int c = 0; c < channels; ++c)
            line[c] = (c + 1) * 100 * std::sin(n * 0.001 * (c + 1)) + noise(random);
        history.append(line, n * 10000); // 100,000 lines/s
        if (n >= lines - width)
            window.append(line, channels);
    }
    const Timeline timeline = Timeline::live(&window, &history);
    SpectrumJob job;
    job.stretch.kind = SpectrumStretch::Kind::View;
    job.stretch.from = timeline.firstLineX();
    job.stretch.to = timeline.lastX() + 1;
    job.stretch.chosen = job.stretch.lines();
    for (int c = 0; c < channels; ++c)
        job.stretch.channels << c;
    job.samples = timeline.snapshot(job.stretch.from, job.stretch.to);
    job.arrivals = timeline.arrivals(job.stretch.from, job.stretch.to);
    const auto shared = std::make_shared<const SpectrumJob>(job);

    SpectrumWorker worker;
    std::shared_ptr<const SpectrumResult> result;
    // Waited for asleep, as the window waits: a loop that spun would take a core from the worker.
    QEventLoop loop;
    QObject::connect(&worker, &SpectrumWorker::finished,
                     [&result, &loop](std::shared_ptr<const SpectrumResult> r) {
                         result = std::move(r);
                         loop.quit();
                     });
    std::vector<double> times;
    double first = 0;
    for (int run = 0; run < 8; ++run) {
        result.reset();
        QElapsedTimer clock;
        clock.start();
        worker.submit(shared);
        loop.exec();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (run == 0)
            first = ms;
        else
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];

    // What showing it costs the window's thread: the plot of every bin drawn, on a linear and a
    // logarithmic frequency axis in turn.
    SpectrumPlot plot;
    plot.resize(1000, 500);
    plot.show();
    std::vector<double> draws;
    for (int run = 0; run < 6; ++run) {
        QElapsedTimer clock;
        clock.start();
        plot.showResult(result, run % 2 == 1);
        plot.canvas()->grab();
        draws.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(draws.begin(), draws.end());
    std::printf("spectrum1m %lld samples x %d channels through the worker (%d threads here): "
                "%.0f ms the first time (plans built), then %.0f ms (median), %.0f ms at most; "
                "the transform alone %.0f ms; measured %.1f lines/s; shown and drawn on the "
                "window's thread in %.0f ms (median), %.0f ms at most\n",
                static_cast<long long>(job.stretch.lines()), channels, QThread::idealThreadCount(),
                first, median, times.back(), result->seconds * 1e3, result->rate,
                draws[draws.size() / 2], draws.back());
    std::printf("RESULT spectrum1m first=%.0f median=%.0f max=%.0f draw=%.0f drawmax=%.0f\n", first,
                median, times.back(), draws[draws.size() / 2], draws.back());
    std::fflush(stdout);
    return 0;
#endif
}

} // namespace bench
