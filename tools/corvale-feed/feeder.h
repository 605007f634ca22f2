#pragma once

#include "linegenerator.h"
#include "outputs.h"
#include "replay.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QString>
#include <QTimer>

#include <cmath>
#include <cstdint>
#include <memory>

// What to send, how fast and where, as the command line asks.
struct Settings
{
    Wave wave = Wave::Sine;
    int channels = 3;
    double rate = 100;
    quint64 count = 0;
    double badRatio = 0;
    std::uint32_t seed = 0;
    bool usePty = false;
    QHostAddress address;
    quint16 port = 0;
    int linesPerDatagram = 1;
    std::vector<LineGenerator::Tone> tones; // channel 1 of the sine wave, in cycles per line
};

// Ctrl+C (SIGINT) and SIGTERM end the feeder cleanly; a second one kills at once.
void installStopHandlers();
bool stopRequested();
int stopSignal();
void printErr(const QString &text);

// Sends the lines, generated or replayed, to the output at the rate asked for; then prints the
// summary and ends the event loop.
class Feeder
{
    // Paced mode sleeps at least this long between wake-ups and sends whatever has become due, so
    // high rates go out in batches instead of one timer tick per line.
    static constexpr int kMinTickMs = 5;
    // Upper bound on any wait, so a stop signal is noticed promptly even at very low rates.
    static constexpr int kMaxTickMs = 50;
    // Any tick returns to the event loop after this many lines, so Ctrl+C stays responsive even
    // when the rate asked for is more than can be generated.
    static constexpr int kMaxLinesPerTick = 8192;
    // After a stall longer than this (suspended process, overloaded machine) the schedule restarts
    // from now instead of bursting out everything that was missed.
    static constexpr double kMaxLagNs = 1e9;
    static constexpr int kFinishTimeoutMs = 1000;

public:
    // With a replay, its lines instead of generated ones.
    Feeder(const Settings &settings, std::unique_ptr<Output> output,
           std::unique_ptr<ReplaySource> replay = nullptr)
        : m_rate(settings.rate), m_count(settings.count), m_output(std::move(output)),
          m_generator(settings.wave, settings.channels, settings.badRatio, settings.seed),
          m_replay(std::move(replay))
    {
        m_generator.setTones(settings.tones);
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_clock.start();
        m_timer.start(0);
    }

private:
    bool done() const { return m_replayed || (m_count > 0 && m_made >= m_count); }

    void emitLine()
    {
        if (m_replay) {
            if (!m_replay->next(m_line)) {
                m_replayed = true;
                return;
            }
            m_output->writeLine(m_line, false);
            ++m_made;
            return;
        }
        const bool malformed = m_generator.next(m_line);
        m_output->writeLine(m_line, malformed);
        ++m_made;
    }

    void tick()
    {
        if (stopRequested() || done()) {
            finish();
            return;
        }
        if (m_rate > 0)
            tickPaced();
        else
            tickUnpaced();
    }

    double dueNs(quint64 line) const
    {
        return m_baseNs + static_cast<double>(line - m_baseLine) * 1e9 / m_rate;
    }

    void tickPaced()
    {
        const double now = static_cast<double>(m_clock.nsecsElapsed());
        if (now - dueNs(m_made) > kMaxLagNs) {
            m_baseNs = now;
            m_baseLine = m_made;
        }
        // Half a millisecond of slack, so a timer firing a hair early does not cost a tick.
        int emitted = 0;
        while (emitted < kMaxLinesPerTick && !done() && dueNs(m_made) <= now + 0.5e6) {
            emitLine();
            ++emitted;
        }
        m_output->endBatch();
        if (done()) {
            finish();
            return;
        }
        if (emitted == kMaxLinesPerTick) {
            m_timer.start(0);
            return;
        }
        const double waitMs = (dueNs(m_made) - m_clock.nsecsElapsed()) / 1e6;
        m_timer.start(qBound(kMinTickMs, static_cast<int>(std::ceil(waitMs)), kMaxTickMs));
    }

    void tickUnpaced()
    {
        bool blocked = false;
        for (int i = 0; i < kMaxLinesPerTick && !done(); ++i) {
            if (!m_output->readyForMore()) {
                blocked = true;
                break;
            }
            emitLine();
        }
        m_output->endBatch();
        if (done()) {
            finish();
            return;
        }
        m_timer.start(blocked ? 1 : 0);
    }

    void finish()
    {
        m_timer.stop();
        // Measured before the final flush, which may wait for a reader that never comes.
        const double seconds = m_clock.nsecsElapsed() / 1e9;
        // A second Ctrl+C during these short waits kills at once (the handlers are one-shot).
        m_output->finish(kFinishTimeoutMs);
        const QString note = m_output->settle(kFinishTimeoutMs);
        if (!note.isEmpty())
            printErr(note);

        QString summary =
            QStringLiteral("%1 lines sent, %2 malformed lines sent, %3 lines dropped, "
                           "%4 s elapsed")
                .arg(m_output->sent)
                .arg(m_output->sentMalformed)
                .arg(m_output->dropped)
                .arg(seconds, 0, 'f', 3);
        if (seconds > 0 && m_output->sent > 0)
            summary += QStringLiteral(" (%1 lines/s)")
                           .arg(std::llround(static_cast<double>(m_output->sent) / seconds));
        if (stopRequested())
            summary += QStringLiteral(", stopped by signal %1").arg(stopSignal());
        printErr(summary);
        QCoreApplication::exit(0);
    }

    double m_rate;
    quint64 m_count;
    std::unique_ptr<Output> m_output;
    LineGenerator m_generator;
    std::unique_ptr<ReplaySource> m_replay;
    bool m_replayed = false;
    QByteArray m_line;
    QTimer m_timer;
    QElapsedTimer m_clock;
    quint64 m_made = 0;
    double m_baseNs = 0;
    quint64 m_baseLine = 0;
};
