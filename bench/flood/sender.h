#ifndef CORVALE_BENCH_FLOOD_SENDER_H
#define CORVALE_BENCH_FLOOD_SENDER_H

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

namespace bench {

// A flood: over UDP or a pseudo terminal, time series or XY, at a rate.
struct Case
{
    const char *name;
    bool pty = false;
    bool xy = false;
    int linesPerDatagram = 10;
    double rate = 0;      // lines per second; 0: as fast as the reader takes them (pty only)
    bool record = false;  // recording to CSV all along
    bool square = false;  // channel 2 a square wave of +-100, crossing 0 every 1,000 lines
    bool trigger = false; // a Normal trigger on channel 2 through 0 either way, all along
    // The spectrum's window open (and live) all along: 1 of the view, 2 of the view zoomed out
    // over the whole history.
    int spectrum = 0;
};

// The line with sequence number seq, CR LF included.
class LineMaker
{
public:
    explicit LineMaker(bool xy, bool square = false) : m_xy(xy), m_square(square)
    {
        for (int i = 0; i < period; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f ", 800 * std::sin(i * 2 * M_PI / period));
            m_xText[i] = text;
        }
    }

    void append(std::string &out, quint64 seq) const
    {
        if (m_xy)
            out += m_xText[seq % period];
        char digits[24];
        const int n =
            std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(seq));
        out.append(digits, size_t(n));
        if (m_square)
            out += seq / 1000 % 2 ? " 100 -3.25 100 0.5 7" : " -100 -3.25 100 0.5 7";
        else if (!m_xy)
            out += " 12.5 -3.25 100 0.5 7";
        out += "\r\n";
    }

private:
    static constexpr int period = 600;
    bool m_xy;
    bool m_square;
    std::string m_xText[period];
};

// Sends numbered lines from its own thread, paced, in datagrams or to a pseudo terminal.
class Sender
{
public:
    Sender(const Case &c, int fd, bool datagrams)
        : m_case(c), m_fd(fd), m_datagrams(datagrams), m_lines(c.xy, c.square)
    {
    }
    ~Sender() { stop(); }

    // Sends `count` lines (0: no limit) at `rate` lines/s (0: as fast as they go) for at most
    // `seconds`; with `garbage`, random bytes instead of lines, as many bytes a second as
    // that many lines would take. The sender keeps its own time: an old window that never
    // returns to its event loop under the flood must not keep it going.
    void start(quint64 firstSeq, quint64 count, double rate, double seconds, bool garbage = false)
    {
        m_next = firstSeq;
        m_end = count ? firstSeq + count : ~quint64(0);
        m_rate = rate;
        m_seconds = seconds;
        m_garbage = garbage;
        m_stop = false;
        m_done = false;
        m_thread = std::thread([this] { run(); });
    }
    // The window goes on reading meanwhile: a writer blocked on a full pseudo terminal only
    // gets on when the window reads.
    void stop()
    {
        m_stop = true;
        while (!m_done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (m_thread.joinable())
            m_thread.join();
    }
    bool running() const { return !m_done; }
    quint64 lastSent() const { return m_next - 1; }
    // When the last write went out.
    std::chrono::steady_clock::time_point stoppedAt() const { return m_stoppedAt; }
    // Seconds from the first write to the last.
    double activeSeconds() const { return m_activeSeconds; }

private:
    void run()
    {
        QElapsedTimer clock;
        clock.start();
        const quint64 first = m_next;
        const int perWrite = m_datagrams ? m_case.linesPerDatagram : 2000;
        std::string buffer;
        std::mt19937 random(7);
        while (!m_stop && m_next < m_end && clock.nsecsElapsed() < m_seconds * 1e9) {
            if (m_rate > 0) {
                const double due = double(clock.nsecsElapsed()) * 1e-9 * m_rate;
                if (double(m_next - first) >= due) {
                    usleep(200);
                    continue;
                }
            }
            buffer.clear();
            const quint64 from = m_next;
            for (int i = 0; i < perWrite && m_next < m_end; ++i)
                m_lines.append(buffer, m_next++);
            if (m_garbage) {
                for (char &c : buffer)
                    c = char(random());
            }
            if (m_datagrams) {
                if (::send(m_fd, buffer.data(), buffer.size(), 0) < 0)
                    ++m_failed;
            } else {
                size_t done = 0;
                while (done < buffer.size()) {
                    const ssize_t n = ::write(m_fd, buffer.data() + done, buffer.size() - done);
                    if (n > 0)
                        done += size_t(n);
                    else if (errno != EINTR)
                        break;
                }
                if (done < buffer.size()) {
                    m_next = from; // a broken terminal: what did not go out does not count
                    break;
                }
            }
        }
        m_activeSeconds = clock.nsecsElapsed() / 1e9;
        m_stoppedAt = std::chrono::steady_clock::now();
        m_done = true;
    }

    Case m_case;
    int m_fd;
    bool m_datagrams;
    LineMaker m_lines;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{true};
    std::atomic<quint64> m_next{1};
    quint64 m_end = 0;
    double m_rate = 0;
    double m_seconds = 0;
    bool m_garbage = false;
    std::atomic<quint64> m_failed{0};
    std::chrono::steady_clock::time_point m_stoppedAt;
    double m_activeSeconds = 0;
};

} // namespace bench

#endif
