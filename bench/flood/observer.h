#ifndef CORVALE_BENCH_FLOOD_OBSERVER_H
#define CORVALE_BENCH_FLOOD_OBSERVER_H

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

namespace bench {

// Watches the first curve from the event loop: the stalls between its own ticks, and every
// sequence number that enters the curve.
class Observer : public QObject
{
public:
    // A longer interval costs the window less, but sees fewer of the lines that scroll past.
    explicit Observer(QwtPlot *plot, int intervalMs = 5) : m_plot(plot), m_intervalMs(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        plot->canvas()->installEventFilter(this);
        m_clock.start();
        m_timer.start();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (lookAtPaints)
                scan();
        }
        return false;
    }

    quint64 newest() const
    {
        const QwtPlotCurve *curve = firstCurve();
        if (!curve || curve->dataSize() == 0)
            return 0;
        return quint64(value(curve, curve->dataSize() - 1));
    }

    // Including the stall going on now: a window frozen under the flood never got to tick.
    double longestStall() const
    {
        return qMax(longestStallMs, (m_clock.nsecsElapsed() - m_last) / 1e6 - m_intervalMs);
    }

    void resetStall()
    {
        longestStallMs = 0;
        m_last = m_clock.nsecsElapsed();
    }

    // Gaps inside the whole window as it stands.
    quint64 gapsInWindow(quint64 *window) const
    {
        const QwtPlotCurve *curve = firstCurve();
        quint64 gaps = 0;
        *window = 0;
        if (!curve)
            return 0;
        double previous = -1;
        for (size_t i = 0; i < curve->dataSize(); ++i) {
            const double v = value(curve, i);
            if (v < 1)
                continue; // not yet filled
            ++*window;
            if (previous >= 1 && v != previous + 1)
                gaps += v > previous ? quint64(v - previous - 1) : 1;
            previous = v;
        }
        return gaps;
    }

    // Looks now, as a tick would: the window may not have run its event loop for a while.
    void look() { scan(); }

    // Also look whenever the canvas paints: then a long interval misses nothing on screen.
    bool lookAtPaints = false;
    quint64 paints = 0;
    double longestStallMs = 0;
    quint64 seen = 0;   // sequence numbers seen entering the curve
    quint64 lost = 0;   // missing between two numbers seen
    quint64 unseen = 0; // scrolled out before a tick could see them
    quint64 lastSeen = 0;

private:
    const QwtPlotCurve *firstCurve() const
    {
        const QwtPlotItemList curves = m_plot->itemList(QwtPlotItem::Rtti_PlotCurve);
        return curves.isEmpty() ? nullptr : static_cast<const QwtPlotCurve *>(curves.first());
    }
    double value(const QwtPlotCurve *curve, size_t i) const { return curve->sample(i).y(); }

    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (m_last)
            longestStallMs = qMax(longestStallMs, (now - m_last) / 1e6 - m_intervalMs);
        m_last = now;
        scan();
    }

    // From the newest sample back to the last one seen before.
    void scan()
    {
        const QwtPlotCurve *curve = firstCurve();
        if (!curve)
            return;
        const size_t n = curve->dataSize();
        size_t i = n;
        while (i > 0 && value(curve, i - 1) > double(lastSeen))
            --i;
        if (i == n)
            return;
        double previous = double(lastSeen);
        if (lastSeen == 0) {
            previous = value(curve, i) - 1;
        } else if (i == 0) {
            // Everything in the window is new: what came between scrolled out unseen.
            unseen += quint64(value(curve, 0) - previous - 1);
            previous = value(curve, 0) - 1;
        }
        for (; i < n; ++i) {
            const double v = value(curve, i);
            if (v > previous + 1)
                lost += quint64(v - previous - 1);
            ++seen;
            previous = v;
        }
        lastSeen = quint64(previous);
    }

    QwtPlot *m_plot;
    int m_intervalMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

// Counts the paints of a widget (none without one).
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget)
    {
        if (widget)
            widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    quint64 paints = 0;
};

} // namespace bench

#endif
