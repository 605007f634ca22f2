#include "spectrum/spectrumworker.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>

struct SpectrumWorker::Lane
{
    std::unique_ptr<SpectrumPlan> plan;
    SpectrumWindow window = SpectrumWindow::Hann;
    bool decibels = false;
    std::vector<double> samples;

    // Plans are built in cycles per line: the rate changes with every live measurement, and a
    // plan of 2^20 samples costs tens of milliseconds to build.
    SpectrumPlan &planFor(int n, const SpectrumSettings &settings)
    {
        if (!plan || plan->samples() != n || window != settings.window ||
            decibels != settings.decibels) {
            plan.reset();
            SpectrumOptions options;
            options.window = settings.window;
            options.decibels = settings.decibels;
            plan = std::make_unique<SpectrumPlan>(n, options);
            window = settings.window;
            decibels = settings.decibels;
        }
        return *plan;
    }
    void release()
    {
        plan.reset();
        samples = std::vector<double>();
    }
};

namespace {

// Below this many samples in all, a second thread costs more than it saves.
constexpr qint64 sharedFrom = qint64(1) << 17;
// The pixel columns a curve's bins are thinned for, and from how many bins on.
constexpr int drawnColumns = 4096;
constexpr int thinnedFrom = 4 * drawnColumns;

// The bins that set every pixel the whole curve would, where a column holds many: runs of bins
// that lie within one column on a linear axis over bins 0 .. last and on a logarithmic one over
// bins 1 .. last, each kept as its first, lowest, highest and last bin.
QVector<int> drawnBins(const QVector<double> &m)
{
    const int last = int(m.size()) - 1;
    if (last < thinnedFrom)
        return {};
    QVector<int> kept;
    kept.reserve(8 * drawnColumns);
    kept << 0;
    const double linear = double(last) / drawnColumns;                // bins per column
    const double logarithmic = std::log(double(last)) / drawnColumns; // per column, relative
    for (int k = 1; k <= last;) {
        const int run = int(std::floor(std::min(linear, k * logarithmic)));
        const int end = std::min(last, k + std::max(run, 1) - 1);
        int low = k;
        int high = k;
        for (int j = k + 1; j <= end; ++j) {
            low = m[j] < m[low] ? j : low;
            high = m[j] > m[high] ? j : high;
        }
        kept << k;
        for (int j : {std::min(low, high), std::max(low, high), end}) {
            if (j != kept.last())
                kept << j;
        }
        k = end + 1;
    }
    return kept;
}

} // namespace

SpectrumWorker::SpectrumWorker(QObject *parent) : QObject(parent), m_lanes(new Lane[2])
{
    qRegisterMetaType<std::shared_ptr<const SpectrumResult>>();
    m_thread = std::thread([this] { run(); });
}

SpectrumWorker::~SpectrumWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_waiting.reset();
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SpectrumWorker::submit(std::shared_ptr<const SpectrumJob> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = std::move(job);
        m_release = false;
    }
    m_wake.notify_all();
}

void SpectrumWorker::cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.reset();
        m_release = true;
        if (m_running)
            m_stop = true;
    }
    m_wake.notify_all();
}

bool SpectrumWorker::isBusy() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running || m_waiting;
}

void SpectrumWorker::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_waiting || m_release; });
        if (m_quit)
            return;
        if (!m_waiting) {
            m_lanes[0].release();
            m_lanes[1].release();
            m_release = false;
            continue;
        }
        const std::shared_ptr<const SpectrumJob> job = std::move(m_waiting);
        m_waiting.reset();
        m_running = true;
        m_stop = false;
        lock.unlock();
        std::shared_ptr<const SpectrumResult> result = compute(*job, m_lanes.get(), &m_stop);
        lock.lock();
        m_running = false;
        if (m_stop || m_quit)
            continue;
        // Delivered through the event loop of the worker's thread; dropped if it is gone.
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    }
}

std::shared_ptr<SpectrumResult> SpectrumWorker::compute(const SpectrumJob &job, Lane lanes[2],
                                                        const std::atomic<bool> *stop)
{
    QElapsedTimer clock;
    clock.start();
    auto result = std::make_shared<SpectrumResult>();
    result->stretch = job.stretch;
    result->settings = job.settings;
    result->rate = job.settings.rate > 0 ? job.settings.rate : measuredRate(job.arrivals);
    result->measured = job.settings.rate <= 0 && result->rate > 0;
    const int channels = int(job.stretch.channels.size());
    const qint64 n = job.samples.to() - job.samples.from();
    if (n <= 0 || channels == 0 || job.samples.channelCount() == 0)
        return result;

    Spectrum &spectrum = result->spectrum;
    spectrum.samples = int(n);
    const double unit = result->rate > 0 ? result->rate : 1.0;
    spectrum.binWidth = unit / double(n);
    spectrum.channels.resize(channels);
    result->finite.fill(true, channels);
    result->lowest.fill(0.0, channels);
    result->highest.fill(0.0, channels);
    result->drawn.resize(channels);

    const auto transform = [&](Lane &lane, int first, int end) {
        for (int i = first; i < end; ++i) {
            if (stop && *stop)
                return;
            lane.samples.resize(size_t(n));
            job.samples.copy(job.stretch.channels.at(i), job.samples.from(), job.samples.to(),
                             lane.samples.data(), 1);
            if (!std::all_of(lane.samples.begin(), lane.samples.end(),
                             [](double v) { return std::isfinite(v); })) {
                result->finite[i] = false;
                continue;
            }
            ChannelSpectrum c = lane.planFor(int(n), job.settings).transform(lane.samples.data());
            for (SpectrumPeak &peak : c.peaks)
                peak.frequency *= unit;
            if (c.magnitude.size() > 1) {
                const auto range =
                    std::minmax_element(c.magnitude.cbegin() + 1, c.magnitude.cend());
                result->lowest[i] = *range.first;
                result->highest[i] = *range.second;
            }
            result->drawn[i] = drawnBins(c.magnitude);
            spectrum.channels[i] = std::move(c);
        }
    };
    const bool shared =
        channels > 1 && n * channels >= sharedFrom && QThread::idealThreadCount() > 1;
    if (shared) {
        const int half = (channels + 1) / 2;
        std::thread helper([&] { transform(lanes[1], half, channels); });
        transform(lanes[0], 0, half);
        helper.join();
    } else {
        transform(lanes[0], 0, channels);
    }
    result->seconds = double(clock.nsecsElapsed()) * 1e-9;
    return result;
}
