#ifndef CORVALE_TRIGGERDETECTOR_H
#define CORVALE_TRIGGERDETECTOR_H

#include <QtGlobal>

// What the trigger waits for, in the values as plotted (gain and offset applied).
struct TriggerSettings
{
    enum class Mode { Off, Normal, Single };
    enum class Slope { Rising, Falling, Either };

    Mode mode = Mode::Off;
    Slope slope = Slope::Rising;
    int channel = 0;
    double level = 0;
    // A crossing counts again only once the signal has gone this far back past the level, so
    // that noise around the level does not trigger again and again.
    double hysteresis = 0;
    // The share of a sweep before the trigger point, 0.1 ... 0.9.
    double position = 0.5;
};

// Finds the crossings of the level line by line, as lines are taken in (a few comparisons a
// line), and the sweeps around them: `before` lines before the triggering line and the rest of
// a plot width after it.
// - Normal: every crossing once the last sweep's hold-off (a sweep's width of lines after its
//   trigger) is over makes a sweep; a sweep is complete once its last line arrived.
// - Single: the first crossing makes the only sweep; then it waits to be armed again.
class TriggerDetector
{
public:
    struct Sweep
    {
        qint64 trigger = -1;  // the number of the line that crossed
        qint64 newest = -1;   // the sweep's last line
        qint64 arrivedAt = 0; // when the triggering line arrived (ChunkQueue::now())
    };

    // Arms (or with mode Off, disarms) for sweeps of `width` lines; what went before is
    // forgotten.
    void arm(const TriggerSettings &settings, int width);
    void disarm();
    const TriggerSettings &settings() const { return m_settings; }
    bool isArmed() const { return m_armed; }
    int width() const { return m_width; }
    // Lines of a sweep before its trigger point.
    int before() const { return m_before; }

    // Line `number` (numbers rise by one a line) with its values. True when it completes a sweep.
    bool take(qint64 number, const double *values, int count, qint64 arrivedAt)
    {
        if (!m_armed || m_settings.channel >= count)
            return false;
        const double v = values[m_settings.channel];
        bool crossed = false;
        if (m_settings.slope != TriggerSettings::Slope::Falling) {
            if (v < m_settings.level - m_settings.hysteresis) {
                m_below = true;
            } else if (m_below && v >= m_settings.level) {
                m_below = false;
                crossed = true;
            }
        }
        if (m_settings.slope != TriggerSettings::Slope::Rising) {
            if (v > m_settings.level + m_settings.hysteresis) {
                m_above = true;
            } else if (m_above && v <= m_settings.level) {
                m_above = false;
                crossed = true;
            }
        }
        if (crossed)
            cross(number, arrivedAt);
        return m_pending.trigger >= 0 && number >= m_pending.newest && complete();
    }

    // Crossings found since armed, those within a hold-off included.
    qint64 crossings() const { return m_crossings; }
    // Sweeps completed since armed.
    qint64 sweeps() const { return m_sweeps; }
    // The newest complete sweep, once: afterwards none until another completes.
    bool takeSweep(Sweep *sweep);

private:
    void cross(qint64 number, qint64 arrivedAt);
    bool complete();

    TriggerSettings m_settings;
    int m_width = 0;
    int m_before = 0;
    bool m_armed = false;
    bool m_below = false; // has gone below the level's band: a rise may cross
    bool m_above = false;
    qint64 m_holdOffEnd = 0; // no sweep starts before this line
    Sweep m_pending;         // found, waiting for its last line
    Sweep m_complete;
    bool m_hasComplete = false;
    qint64 m_crossings = 0;
    qint64 m_sweeps = 0;
};

#endif
