#ifndef CORVALE_PACEDSENDER_H
#define CORVALE_PACEDSENDER_H

#include "testsupport.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>

// Sends datagrams to the window's UDP port no faster than its reader thread takes them. The
// reader keeps up with any device, but on a machine busy with other work it may go without the
// processor for longer than the socket's small buffer lasts: a test that floods the window must
// not depend on the machine's speed. Waits without handling the window's events.
class PacedSender
{
public:
    PacedSender(MainWindowProbe &probe, quint16 port)
        : m_probe(probe), m_port(port), m_read(probe.readBytes())
    {
    }
    bool send(const QByteArray &datagram)
    {
        m_device.writeDatagram(datagram, QHostAddress::LocalHost, m_port);
        m_sent += datagram.size();
        return ++m_inFlight < 16 || waitForReader();
    }
    // Until the reader has read everything sent.
    bool waitForReader()
    {
        m_inFlight = 0;
        QElapsedTimer waited;
        waited.start();
        while (m_probe.readBytes() - m_read < m_sent) {
            if (waited.elapsed() > 20000)
                return false;
            QThread::usleep(100);
        }
        return true;
    }

private:
    MainWindowProbe &m_probe;
    QUdpSocket m_device;
    quint16 m_port;
    qint64 m_read;
    qint64 m_sent = 0;
    int m_inFlight = 0;
};

#endif
