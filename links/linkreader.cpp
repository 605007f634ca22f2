#include "links/linkreader.h"

#include "links/serialdevice.h"

#include <QSerialPort>
#include <QUdpSocket>
#include <QVariant>

namespace {

// What a socket may queue for us; the kernel caps it at what the system allows.
constexpr int udpReceiveBuffer = 8 * 1024 * 1024;

// With this much read but not yet taken by the window, the serial port is left unread until
// the window catches up. A real device cannot wait, but at 1,000,000 baud it takes 40 seconds
// to send this much, far longer than the window ever stalls; a pseudo terminal fed as fast as
// possible is held back instead of running ahead of the window without bound.
constexpr qint64 serialBacklog = 4 * 1024 * 1024;

} // namespace

LinkReader::LinkReader(QSerialPort *serialPort, QUdpSocket *udpSocket, QObject *parent)
    : QObject(parent), m_serialPort(serialPort), m_serial(new SerialDevice(serialPort)),
      m_udp(udpSocket)
{
    m_thread.setObjectName(QStringLiteral("corvale-reader"));
    m_context.moveToThread(&m_thread);
    m_serialPort->moveToThread(&m_thread);
    m_serial->moveToThread(&m_thread);
    m_udp->moveToThread(&m_thread);
    connect(m_serial.get(), &SerialDevice::readyRead, &m_context, [this] { readSerial(); });
    connect(m_udp, &QUdpSocket::readyRead, &m_context, [this] { readDatagrams(); });
    connect(m_serial.get(), &SerialDevice::lost, &m_context, [this] { serialGone(); });
    m_thread.start();
}

LinkReader::~LinkReader()
{
    QThread *home = thread();
    runInReader([this, home] {
        closeSerialPort();
        m_udp->close();
        m_serialPort->moveToThread(home);
        m_serial->moveToThread(home);
        m_udp->moveToThread(home);
        m_context.moveToThread(home);
    });
    m_thread.quit();
    m_thread.wait();
}

void LinkReader::runInReader(const std::function<void()> &work)
{
    // Waited for on a condition variable of our own, not with a blocking queued call: Qt 5
    // blocks that on a futex, which ThreadSanitizer cannot see, so it could not tell that the
    // work is done before the caller reads its results.
    bool done = false;
    QMetaObject::invokeMethod(
        &m_context,
        [&] {
            work();
            std::lock_guard<std::mutex> lock(m_doneMutex);
            done = true;
            m_doneChanged.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_doneMutex);
    m_doneChanged.wait(lock, [&] { return done; });
}

bool LinkReader::openSerial(const SerialSettings &settings, quint64 opening)
{
    bool opened = false;
    runInReader([&] {
        m_udp->close();
        m_queue.clear();
        m_serialOpening = opening;
        m_serialHeld = false;
        opened = m_serial->open(settings);
    });
    return opened;
}

void LinkReader::closeSerial()
{
    runInReader([this] {
        closeSerialPort();
        m_queue.clear();
    });
}

void LinkReader::discardSerialInput()
{
    runInReader([this] {
        // A closed port has nothing to discard (and would only complain about it).
        if (!m_serial->isOpen())
            return;
        m_serial->clear();
        m_queue.clear();
        // A port held back has stopped reading; it starts again with this read.
        m_serialHeld = false;
        readSerial();
    });
}

quint16 LinkReader::bindUdp(quint16 port)
{
    quint16 bound = 0;
    runInReader([&] {
        if (m_serial->isOpen())
            closeSerialPort();
        m_udp->close();
        m_queue.clear();
        if (!m_udp->bind(QHostAddress::Any, port))
            return;
        m_udp->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, udpReceiveBuffer);
        bound = m_udp->localPort();
    });
    return bound;
}

void LinkReader::closeUdp()
{
    runInReader([this] {
        m_udp->close();
        m_queue.clear();
    });
}

void LinkReader::resumeSerial()
{
    if (m_serialHeld.exchange(false))
        QMetaObject::invokeMethod(
            &m_context, [this] { readSerial(); }, Qt::QueuedConnection);
}

void LinkReader::serialGone()
{
    // Closed after the notification that told of it has returned, and only if it is still the
    // opening that failed: the port may report one loss more than once.
    const quint64 opening = m_serialOpening;
    QMetaObject::invokeMethod(
        &m_context, [this, opening] { loseSerial(opening); }, Qt::QueuedConnection);
}

void LinkReader::loseSerial(quint64 opening)
{
    if (opening != m_serialOpening || !m_serial->isOpen())
        return;
    closeSerialPort();
    emit serialLost(opening);
}

void LinkReader::closeSerialPort()
{
    m_serial->close();
}

void LinkReader::readSerial()
{
    if (!m_serial->isOpen())
        return;
    if (m_queue.queuedBytes() >= serialBacklog) {
        m_serialHeld = true;
        // The window may have taken everything in between; then nobody would resume us.
        if (m_queue.queuedBytes() >= serialBacklog || !m_serialHeld.exchange(false))
            return;
    }
    // Exactly what is there: readAll() would hand over a far larger block, and the queue
    // would hold many times the bytes it counts.
    QByteArray chunk(int(m_serial->bytesAvailable()), Qt::Uninitialized);
    const qint64 size = m_serial->read(chunk.data(), chunk.size());
    if (size <= 0)
        return;
    chunk.truncate(int(size));
    if (m_queue.push(std::move(chunk)))
        emit serialDataReady();
}

void LinkReader::readDatagrams()
{
    // An unreadable datagram is skipped; the bound keeps a socket that keeps failing from
    // spinning here forever. Under an endless flood the loop returns now and then all the
    // same (the socket signals again for what is left), so that a close from the window is
    // not kept waiting.
    int failures = 0;
    for (int read = 0; read < 4096 && m_udp->hasPendingDatagrams() && failures < 64; ++read) {
        const qint64 pending = qMax<qint64>(m_udp->pendingDatagramSize(), 0);
        QByteArray datagram(int(pending), Qt::Uninitialized);
        const qint64 size = m_udp->readDatagram(datagram.data(), datagram.size());
        if (size < 0) {
            ++failures;
            continue;
        }
        failures = 0;
        datagram.truncate(int(size));
        if (m_queue.push(std::move(datagram)))
            emit datagramsReady();
    }
}
