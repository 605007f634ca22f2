// The serial port on Windows, read with overlapped ReadFile calls of our own.
//
// QSerialPort's Windows backend reads only after WaitCommEvent reports EV_RXCHAR. Some USB-serial
// drivers are known for unreliable events, and Wine's ports on pseudo terminals complete
// WaitCommEvent at once with an empty mask, again and again: nothing is ever read and a core
// spins. Here a read of one byte is always pending instead; the event of its OVERLAPPED wakes the
// reader thread's event loop, and the rest of what the driver holds (ClearCommError counts it)
// is read at once. COMMTIMEOUTS end the pending read after a while without data: an idle port
// wakes twice a second, and each such wake asks the driver whether the device is still there,
// since some drivers let the reads of an unplugged adapter time out quietly for ever.

#include "links/serialdevice.h"

#include <QByteArray>
#include <QSerialPort>
#include <QWinEventNotifier>

#include <windows.h>

namespace {

// What the reader may hold while the window catches up; beyond it reading pauses, and the bytes
// stay with the driver.
constexpr qint64 portBuffer = 64 * 1024;
// How long a read waits for a first byte before it completes with nothing.
constexpr DWORD idleWakeMs = 500;

QString systemPath(const QString &portName)
{
    // COM10 and above open only under the device namespace; COM1 opens either way.
    if (portName.startsWith(QLatin1String("\\\\.\\")) || portName.startsWith(QLatin1String("//./")))
        return portName;
    return QStringLiteral("\\\\.\\") + portName;
}

BYTE parityOf(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::OddParity:
        return ODDPARITY;
    case QSerialPort::EvenParity:
        return EVENPARITY;
    case QSerialPort::MarkParity:
        return MARKPARITY;
    case QSerialPort::SpaceParity:
        return SPACEPARITY;
    default:
        return NOPARITY;
    }
}

bool configure(HANDLE handle, const SerialSettings &settings)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = DWORD(settings.baudRate);
    dcb.ByteSize = BYTE(settings.dataBits);
    dcb.Parity = parityOf(settings.parity);
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.StopBits = settings.stopBits == QSerialPort::TwoStop ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    // No flow control, and every byte as it came: no zero bytes dropped, no error character,
    // and a parity or framing error does not stop the reads.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // DTR and RTS raised, as opening a terminal on Linux does: many USB devices send nothing
    // until the host raises DTR.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(handle, &dcb))
        return false;
    // A read ends when its buffer is full or after idleWakeMs. (The mode that returns as soon
    // as a byte is there, both other timeouts MAXDWORD, waits for a full buffer under Wine.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = idleWakeMs;
    return ::SetCommTimeouts(handle, &timeouts);
}

} // namespace

struct SerialDevice::Private
{
    QSerialPort *port = nullptr;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    QWinEventNotifier *notifier = nullptr;
    char first = 0;      // the buffer of the pending read
    QByteArray buffered; // read, not yet taken
    bool reading = false;
    bool failed = false;

    void startRead(SerialDevice *device);
    void readDone(SerialDevice *device);
    bool drain();
    void cancelRead();
    void fail(SerialDevice *device);
};

void SerialDevice::Private::fail(SerialDevice *device)
{
    reading = false;
    failed = true;
    emit device->lost();
}

void SerialDevice::Private::startRead(SerialDevice *device)
{
    if (reading || failed || handle == INVALID_HANDLE_VALUE || buffered.size() >= portBuffer)
        return;
    reading = true;
    if (!::ReadFile(handle, &first, 1, nullptr, &overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING)
        fail(device);
    // Done at once or later, the event is set either way and the notifier calls readDone.
}

void SerialDevice::Private::readDone(SerialDevice *device)
{
    // A set event wakes the notifier again and again: it is cleared whenever no read is left
    // pending (the next ReadFile clears it as well).
    if (!reading) {
        ::ResetEvent(overlapped.hEvent);
        return;
    }
    DWORD size = 0;
    const bool done = ::GetOverlappedResult(handle, &overlapped, &size, FALSE);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    // Woken by the event of a read that has since been cancelled and started anew.
    if (error == ERROR_IO_INCOMPLETE)
        return;
    ::ResetEvent(overlapped.hEvent);
    reading = false;
    // A read that timed out completes with nothing on Windows, and fails with ERROR_TIMEOUT
    // under Wine. Any other failure ends the port: reads fail so only when the device is gone.
    if (!done && error != ERROR_TIMEOUT) {
        fail(device);
        return;
    }
    if (size == 1) {
        buffered.append(first);
        if (!drain()) {
            fail(device);
            return;
        }
        startRead(device);
        emit device->readyRead();
        return;
    }
    // Nothing came for a while: is there still a device behind the port?
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle, &errors, &status)) {
        fail(device);
        return;
    }
    startRead(device);
}

bool SerialDevice::Private::drain()
{
    // The first byte woke us; the rest of what the driver holds is read at once, without
    // waiting: exactly the count it reports.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle, &errors, &status))
        return false;
    const DWORD size = DWORD(qMin<qint64>(status.cbInQue, portBuffer - buffered.size()));
    if (size == 0)
        return true;
    const int at = buffered.size();
    buffered.resize(at + int(size));
    DWORD got = 0;
    // Each error is taken as the call that failed leaves it; later calls may overwrite it.
    DWORD error = ERROR_SUCCESS;
    if (!::ReadFile(handle, buffered.data() + at, size, nullptr, &overlapped))
        error = ::GetLastError();
    if (error == ERROR_SUCCESS || error == ERROR_IO_PENDING)
        error = ::GetOverlappedResult(handle, &overlapped, &got, TRUE) ? ERROR_SUCCESS
                                                                       : ::GetLastError();
    ::ResetEvent(overlapped.hEvent);
    buffered.resize(at + int(got));
    return error == ERROR_SUCCESS || error == ERROR_TIMEOUT;
}

void SerialDevice::Private::cancelRead()
{
    if (!reading)
        return;
    ::CancelIoEx(handle, &overlapped);
    // The buffer and the OVERLAPPED are the system's until the read has ended.
    DWORD size = 0;
    ::GetOverlappedResult(handle, &overlapped, &size, TRUE);
    ::ResetEvent(overlapped.hEvent);
    reading = false;
}

SerialDevice::SerialDevice(QSerialPort *port, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->port = port;
}

SerialDevice::~SerialDevice()
{
    close();
}

bool SerialDevice::open(const SerialSettings &settings)
{
    close();
    // The window's port object keeps the settings of the opening, as it does on Unix.
    settings.applyTo(*d->port);

    const QString path = systemPath(settings.portName);
    HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    // The driver's own queue, for while the reader thread is busy; a hint it may ignore.
    ::SetupComm(handle, 64 * 1024, 4096);
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event || !configure(handle, settings)) {
        if (event)
            ::CloseHandle(event);
        ::CloseHandle(handle);
        return false;
    }
    d->handle = handle;
    d->overlapped = OVERLAPPED{};
    d->overlapped.hEvent = event;
    d->failed = false;
    d->buffered.clear();
    d->notifier = new QWinEventNotifier(event, this);
    connect(d->notifier, &QWinEventNotifier::activated, this, [this] { d->readDone(this); });
    d->startRead(this);
    return true;
}

void SerialDevice::close()
{
    if (d->handle == INVALID_HANDLE_VALUE)
        return;
    d->cancelRead();
    delete d->notifier;
    d->notifier = nullptr;
    ::CloseHandle(d->overlapped.hEvent);
    d->overlapped.hEvent = nullptr;
    ::CloseHandle(d->handle);
    d->handle = INVALID_HANDLE_VALUE;
    d->buffered.clear();
    d->failed = false;
}

bool SerialDevice::isOpen() const
{
    return d->handle != INVALID_HANDLE_VALUE;
}

void SerialDevice::clear()
{
    if (d->handle == INVALID_HANDLE_VALUE)
        return;
    d->cancelRead();
    ::PurgeComm(d->handle, PURGE_RXCLEAR | PURGE_RXABORT);
    d->buffered.clear();
    d->startRead(this);
}

qint64 SerialDevice::bytesAvailable() const
{
    return d->buffered.size();
}

qint64 SerialDevice::read(char *data, qint64 maxSize)
{
    const int size = int(qMin<qint64>(maxSize, d->buffered.size()));
    memcpy(data, d->buffered.constData(), size_t(size));
    d->buffered.remove(0, size);
    // A read paused for a full buffer goes on.
    d->startRead(this);
    return size;
}
