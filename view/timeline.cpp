#include "view/timeline.h"

#include <cmath>

Timeline::Timeline(const SampleStore *window, const History *history, qint64 newest, bool live)
    : m_window(window), m_history(history), m_newest(newest), m_live(live)
{
}

Timeline Timeline::live(const SampleStore *window, const History *history)
{
    return Timeline(window, history, -1, true);
}

Timeline Timeline::frozen(const SampleStore *window, const History *history, qint64 newest)
{
    return Timeline(window, history, newest, false);
}

int Timeline::channelCount() const
{
    return m_window ? m_window->channelCount() : 0;
}

qint64 Timeline::firstX() const
{
    if (!m_window || m_window->width() == 0)
        return lastX() + 1;
    // Lines of the history older than the window's oldest sample, if it has any.
    if (m_history && m_history->channelCount() == m_window->channelCount() && newest() >= 0) {
        const qint64 oldest = m_history->oldest() - newest() + lastX();
        if (oldest < 0)
            return oldest;
    }
    return m_window->heldFrom();
}

qint64 Timeline::firstLineX() const
{
    if (!m_window || !m_history || m_history->channelCount() != m_window->channelCount() ||
        newest() < 0)
        return lastX() + 1;
    const qint64 lines = newest() - m_history->oldest() + 1;
    return qMax(firstX(), lastX() - lines + 1);
}

double Timeline::at(int channel, qint64 x) const
{
    if (x >= 0)
        return m_window->at(channel, int(x));
    return m_history->at(channel, numberAt(x));
}

History::Summary Timeline::summary(int channel, qint64 from, qint64 to) const
{
    History::Summary s;
    from = qMax(from, firstX());
    to = qMin(to, lastX() + 1);
    if (from >= to)
        return s;
    if (from < 0)
        s = m_history->summary(channel, numberAt(from), numberAt(qMin<qint64>(to, 0)));
    // The window holds at most 10000 samples: summed one by one.
    for (qint64 x = qMax<qint64>(from, 0); x < to; ++x)
        s.add(m_window->at(channel, int(x)));
    return s;
}

bool Timeline::valueAt(int channel, double x, double *value) const
{
    const qint64 first = firstX();
    if (!(x >= double(first)) || x > double(lastX()))
        return false;
    double left = std::floor(x);
    if (left == x && left > double(first))
        left -= 1.0;
    const qint64 x0 = qint64(left);
    if (x0 + 1 > lastX())
        return false;
    const double y0 = at(channel, x0);
    const double y1 = at(channel, x0 + 1);
    *value = (y1 - y0) * (x - double(x0)) + y0;
    return true;
}

TimelineSnapshot Timeline::snapshot(qint64 from, qint64 to) const
{
    TimelineSnapshot snapshot;
    from = qMax(from, firstX());
    to = qMin(to, lastX() + 1);
    if (from >= to)
        return snapshot;
    snapshot.m_channels = channelCount();
    snapshot.m_from = from;
    snapshot.m_to = to;
    if (from < 0) {
        snapshot.m_numberAtZero = numberAt(0);
        snapshot.m_history = m_history->snapshot(numberAt(from), numberAt(qMin<qint64>(to, 0)));
    }
    snapshot.m_windowFrom = qMax<qint64>(from, 0);
    const qint64 count = to - snapshot.m_windowFrom;
    if (count > 0) {
        snapshot.m_window.resize(int(count * snapshot.m_channels));
        for (int c = 0; c < snapshot.m_channels; ++c) {
            double *out = snapshot.m_window.data() + c * count;
            for (qint64 x = snapshot.m_windowFrom; x < to; ++x)
                *out++ = m_window->at(c, int(x));
        }
    }
    return snapshot;
}

QVector<History::Arrival> Timeline::arrivals(qint64 from, qint64 to) const
{
    from = qMax(from, firstLineX());
    to = qMin(to, lastX() + 1);
    if (from >= to)
        return {};
    QVector<History::Arrival> found = m_history->arrivals(numberAt(from), numberAt(to));
    const qint64 atZero = numberAt(0);
    for (History::Arrival &a : found)
        a.number -= atZero;
    return found;
}

void TimelineSnapshot::copy(int channel, qint64 from, qint64 to, double *out,
                            qsizetype stride) const
{
    if (from < m_windowFrom) {
        const qint64 end = qMin(to, m_windowFrom);
        m_history.copy(channel, m_numberAtZero + from, m_numberAtZero + end, out, stride);
        out += (end - from) * stride;
        from = end;
    }
    const qint64 count = m_to - m_windowFrom;
    const double *in = m_window.constData() + channel * count + (from - m_windowFrom);
    for (qint64 x = from; x < to; ++x, out += stride)
        *out = *in++;
}
