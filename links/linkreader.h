#ifndef CORVALE_LINKREADER_H
#define CORVALE_LINKREADER_H

#include "links/chunkqueue.h"
#include "links/serialsettings.h"

#include <QObject>
#include <QSerialPort>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class SerialDevice;
class QUdpSocket;

// Reads the open link on a thread of its own and queues what it reads for the window. The
// kernel holds only a few hundred kilobytes of datagrams or serial bytes for a program that does
// not read them; a window busy painting would lose data with every longer pause.
//
// The two link objects move to the reader thread. Everything done to them happens there, and
// the calls below wait for it; the reader itself never waits for the window.
class LinkReader : public QObject
{
    Q_OBJECT

public:
    LinkReader(QSerialPort *serialPort, QUdpSocket *udpSocket, QObject *parent = nullptr);
    // Closes both links and hands the link objects back to the thread that made the reader.
    ~LinkReader() override;

    // Every opening and closing also drops what the reader queued for the window, so that
    // nothing one opening of a link delivered reaches the window after it.

    // Closes the UDP socket, applies the settings and opens the port read-only. `opening` names
    // this opening in the reports that may follow it (serialLost).
    bool openSerial(const SerialSettings &settings, quint64 opening);
    void closeSerial();
    // Forgets what the serial port holds and what the reader has queued but the window has not
    // taken; no effect while the port is closed.
    void discardSerialInput();
    // Closes the serial port and the socket, then binds the socket to every local address.
    // Returns the port bound (the one the system chose for port 0), or 0 if the bind failed.
    quint16 bindUdp(quint16 port);
    void closeUdp();

    ChunkQueue &queue() { return m_queue; }
    // The window took what was queued: a serial port held back meanwhile is read again.
    void resumeSerial();

signals:
    // From the reader thread, when the window went idle and asked to be woken by new data.
    void serialDataReady();
    void datagramsReady();
    // The port of that opening went away (an unplugged adapter); the reader has closed it.
    void serialLost(quint64 opening);

private:
    void runInReader(const std::function<void()> &work);
    void readSerial();
    void readDatagrams();
    void serialGone();
    void loseSerial(quint64 opening);
    void closeSerialPort();

    QSerialPort *m_serialPort;
    std::unique_ptr<SerialDevice> m_serial; // lives in the reader thread
    QUdpSocket *m_udp;
    QThread m_thread;
    QObject m_context; // lives in the reader thread: the target of the calls and reads there
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged; // a call into the reader thread has finished
    ChunkQueue m_queue;
    std::atomic<bool> m_serialHeld{false};
    quint64 m_serialOpening = 0; // reader thread only
};

#endif
