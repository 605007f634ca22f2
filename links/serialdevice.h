#ifndef CORVALE_SERIALDEVICE_H
#define CORVALE_SERIALDEVICE_H

#include "links/serialsettings.h"

#include <QObject>

#include <memory>

class QSerialPort;

// The serial port as the reader thread uses it: opened read-only with the panel's settings, read
// whenever it signals, and telling when its device goes away. One implementation per platform,
// chosen by the build: serialdevice_unix.cpp drives the window's QSerialPort and watches its
// descriptor for a hang-up; serialdevice_win.cpp reads the port with Win32 calls of its own,
// since QSerialPort's Windows backend reads only after an EV_RXCHAR event, which some drivers
// (and Wine's pseudo-terminal ports) never deliver, and then spins a core.
//
// Lives in the thread that reads; every call is made there.
class SerialDevice : public QObject
{
    Q_OBJECT

public:
    // `port` is the window's port object; on Unix it is the port that opens and reads, on
    // Windows it only takes the settings of each opening.
    explicit SerialDevice(QSerialPort *port, QObject *parent = nullptr);
    ~SerialDevice() override;

    bool open(const SerialSettings &settings);
    void close();
    bool isOpen() const;
    // Drops what the port and the driver hold.
    void clear();
    qint64 bytesAvailable() const;
    qint64 read(char *data, qint64 maxSize);

signals:
    void readyRead();
    // The device of this opening went away (an unplugged adapter, a closed pseudo terminal), or
    // the port failed for good. May come more than once; the port stays open until close().
    void lost();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif
