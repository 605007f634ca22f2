// The serial port on Unix: Qt's port reads, and a watch on its descriptor tells of a hang-up.

#include "links/serialdevice.h"

#include "links/hangupwatch.h"

#include <QSerialPort>

namespace {

// What the port may hold while the reader holds back; beyond it the bytes stay with the system.
constexpr qint64 portBuffer = 64 * 1024;

} // namespace

struct SerialDevice::Private
{
    QSerialPort *port;
    std::unique_ptr<HangupWatch> hangupWatch; // while the port is open
};

SerialDevice::SerialDevice(QSerialPort *port, QObject *parent)
    : QObject(parent), d(new Private{port, nullptr})
{
    port->setReadBufferSize(portBuffer);
    connect(port, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // Qt 5 reports a vanished device (unplugged adapter, closed pseudo terminal) as resource
        // or read errors on every poll; anything else is left to the next read.
        if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
            emit lost();
    });
}

SerialDevice::~SerialDevice()
{
    close();
}

bool SerialDevice::open(const SerialSettings &settings)
{
    QSerialPort *port = d->port;
    settings.applyTo(*port);
    if (!port->open(QIODevice::ReadOnly))
        return false;
    // The port's own errors do not tell of a vanished device on every Qt; this does.
    d->hangupWatch = std::make_unique<HangupWatch>(port);
    connect(d->hangupWatch.get(), &HangupWatch::hungUp, this, &SerialDevice::lost);
    return true;
}

void SerialDevice::close()
{
    // The watch goes first: its descriptor is the port's.
    d->hangupWatch.reset();
    d->port->close();
}

bool SerialDevice::isOpen() const
{
    return d->port->isOpen();
}

void SerialDevice::clear()
{
    d->port->clear(QSerialPort::AllDirections);
}

qint64 SerialDevice::bytesAvailable() const
{
    return d->port->bytesAvailable();
}

qint64 SerialDevice::read(char *data, qint64 maxSize)
{
    return d->port->read(data, maxSize);
}
