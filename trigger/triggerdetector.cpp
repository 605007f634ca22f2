#include "trigger/triggerdetector.h"

#include <cmath>

void TriggerDetector::arm(const TriggerSettings &settings, int width)
{
    m_settings = settings;
    m_settings.position = qBound(0.1, settings.position, 0.9);
    m_settings.hysteresis = std::fabs(settings.hysteresis);
    m_width = qMax(width, 0);
    // At least a line on either side of the trigger point.
    m_before = qBound(qMin(1, m_width - 1), int(std::lround(m_settings.position * m_width)),
                      qMax(m_width - 1, 0));
    m_armed = m_settings.mode != TriggerSettings::Mode::Off && m_width >= 2;
    m_below = m_above = false;
    m_holdOffEnd = 0;
    m_pending = Sweep();
    m_hasComplete = false;
    m_crossings = 0;
    m_sweeps = 0;
}

void TriggerDetector::disarm()
{
    m_armed = false;
    m_pending = Sweep();
    m_hasComplete = false;
}

void TriggerDetector::cross(qint64 number, qint64 arrivedAt)
{
    ++m_crossings;
    // A sweep waiting for its last lines, or its hold-off, keeps its place.
    if (m_pending.trigger >= 0 || number < m_holdOffEnd)
        return;
    m_pending.trigger = number;
    m_pending.newest = number + (m_width - m_before) - 1;
    m_pending.arrivedAt = arrivedAt;
    m_holdOffEnd = number + m_width;
}

bool TriggerDetector::complete()
{
    m_complete = m_pending;
    m_hasComplete = true;
    m_pending = Sweep();
    ++m_sweeps;
    if (m_settings.mode == TriggerSettings::Mode::Single)
        m_armed = false;
    return true;
}

bool TriggerDetector::takeSweep(Sweep *sweep)
{
    if (!m_hasComplete)
        return false;
    *sweep = m_complete;
    m_hasComplete = false;
    return true;
}
