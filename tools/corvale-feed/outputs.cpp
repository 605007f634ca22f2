#include "outputs.h"

#include <QtGlobal>

#include <cstdio>

#if defined(Q_OS_UNIX)
#if __has_include(<pty.h>)
#include <pty.h>
#define CORVALE_FEED_HAVE_PTY 1
#elif __has_include(<util.h>)
#include <util.h>
#define CORVALE_FEED_HAVE_PTY 1
#elif __has_include(<libutil.h>)
#include <libutil.h>
#define CORVALE_FEED_HAVE_PTY 1
#endif
#endif

#ifdef CORVALE_FEED_HAVE_PTY
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

void warn(const QString &message)
{
    std::fprintf(stderr, "corvale-feed: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

UdpOutput::UdpOutput(const QHostAddress &address, quint16 port, int linesPerDatagram)
    : m_address(address), m_port(port), m_linesPerDatagram(linesPerDatagram)
{
}

bool UdpOutput::open(QString *error)
{
    // Bind to the target's family so an IPv4 target does not depend on dual-stack sockets.
    const QHostAddress local = m_address.protocol() == QAbstractSocket::IPv6Protocol
                                   ? QHostAddress(QHostAddress::AnyIPv6)
                                   : QHostAddress(QHostAddress::AnyIPv4);
    if (!m_socket.bind(local, 0)) {
        *error = QStringLiteral("cannot open a UDP socket: %1").arg(m_socket.errorString());
        return false;
    }
    return true;
}

void UdpOutput::writeLine(const QByteArray &line, bool malformed)
{
    m_datagram.append(line);
    ++m_lines;
    if (malformed)
        ++m_malformed;
    if (m_lines >= m_linesPerDatagram)
        sendDatagram();
}

void UdpOutput::finish(int)
{
    if (m_lines > 0)
        sendDatagram();
}

void UdpOutput::sendDatagram()
{
    const qint64 written = m_socket.writeDatagram(m_datagram, m_address, m_port);
    if (written == m_datagram.size()) {
        sent += m_lines;
        sentMalformed += m_malformed;
    } else {
        dropped += m_lines;
        if (!m_errorReported) {
            m_errorReported = true;
            warn(QStringLiteral("sending a datagram failed (%1); such lines count as dropped")
                     .arg(m_socket.errorString()));
        }
    }
    m_datagram.clear();
    m_lines = 0;
    m_malformed = 0;
}

#ifdef CORVALE_FEED_HAVE_PTY

namespace {

class PtyOutput : public Output
{
public:
    PtyOutput(int master, int slave) : m_master(master), m_slave(slave)
    {
        // Whatever Corvale sends to the device is read and thrown away, so it never stalls.
        m_readNotifier.reset(new QSocketNotifier(m_master, QSocketNotifier::Read));
        QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated, [this] {
            char scratch[4096];
            while (::read(m_master, scratch, sizeof scratch) > 0) {
            }
        });
    }

    ~PtyOutput() override
    {
        m_readNotifier.reset();
        ::close(m_master);
        ::close(m_slave);
    }

    void writeLine(const QByteArray &line, bool malformed) override
    {
        if (m_pending.size() >= kPendingLimit)
            flushPending();
        if (m_pending.size() >= kPendingLimit) {
            ++dropped;
            return;
        }
        m_pending.append(line);
        m_queued.push_back({line.size(), malformed});
    }

    void endBatch() override { flushPending(); }

    bool readyForMore() override
    {
        if (m_pending.size() >= kPendingLimit)
            flushPending();
        return m_pending.size() < kPendingLimit;
    }

    void finish(int timeoutMs) override
    {
        QElapsedTimer timer;
        timer.start();
        flushPending();
        while (!m_pending.isEmpty() && timer.elapsed() < timeoutMs) {
            QThread::msleep(5);
            flushPending();
        }
        // A line cut short in the terminal counts as dropped too.
        dropped += m_queued.size();
        m_queued.clear();
        m_pending.clear();
    }

    QString settle(int timeoutMs) override
    {
        // Closing the master hangs up the terminal and discards what the reader has not taken
        // yet, so wait until the input queue has stayed empty for a little while.
        QElapsedTimer timer;
        timer.start();
        int quietChecks = 0;
        int unread = 0;
        while (timer.elapsed() < timeoutMs) {
            if (::ioctl(m_slave, FIONREAD, &unread) < 0)
                return QString();
            quietChecks = unread == 0 ? quietChecks + 1 : 0;
            if (quietChecks >= 3)
                return QString();
            QThread::msleep(10);
        }
        if (unread > 0)
            return QStringLiteral("%1 bytes were still unread in the terminal").arg(unread);
        return QString();
    }

private:
    struct Queued
    {
        qsizetype size;
        bool malformed;
    };

    void flushPending()
    {
        qsizetype done = 0;
        while (done < m_pending.size()) {
            const ssize_t n = ::write(m_master, m_pending.constData() + done,
                                      static_cast<size_t>(m_pending.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && !m_errorReported) {
                m_errorReported = true;
                warn(QStringLiteral("writing to the terminal failed: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
            }
            break;
        }
        if (done == 0)
            return;
        m_pending.remove(0, done);
        // Lines count as sent once their last byte is in the terminal.
        qsizetype left = done + m_frontWritten;
        while (!m_queued.empty() && left >= m_queued.front().size) {
            left -= m_queued.front().size;
            ++sent;
            if (m_queued.front().malformed)
                ++sentMalformed;
            m_queued.pop_front();
        }
        m_frontWritten = left;
    }

    // Enough for a few ticks at high rates, small enough that a stalled reader shows up as drops
    // rather than as a long backlog.
    static constexpr qsizetype kPendingLimit = 16 * 1024;

    int m_master;
    int m_slave;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    QByteArray m_pending;
    std::deque<Queued> m_queued;
    qsizetype m_frontWritten = 0;
    bool m_errorReported = false;
};

} // namespace

bool ptySupported()
{
    return true;
}

std::unique_ptr<Output> createPtyOutput(QString *devicePath, QString *error)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) < 0) {
        *error =
            QStringLiteral("openpty failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    // Raw, so CR LF reach the reader unchanged and nothing is echoed back.
    termios settings;
    if (::tcgetattr(slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    // The slave stays open here so the terminal survives the reader closing and reopening it;
    // the master never blocks, so a terminal nobody reads cannot hang the feeder.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);

    const char *name = ::ttyname(slave);
    if (!name) {
        *error = QStringLiteral("cannot name the pseudo terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(master);
        ::close(slave);
        return nullptr;
    }
    *devicePath = QString::fromLocal8Bit(name);
    return std::unique_ptr<Output>(new PtyOutput(master, slave));
}

#else

bool ptySupported()
{
    return false;
}

std::unique_ptr<Output> createPtyOutput(QString *, QString *error)
{
    *error = QStringLiteral("pseudo terminals are not available on this system");
    return nullptr;
}

#endif
