#ifndef CORVALE_HANGUPWATCH_H
#define CORVALE_HANGUPWATCH_H

#include <QObject>

class QSerialPort;
class QSocketNotifier;

// Tells when the device of an open serial port goes away: an unplugged adapter, or the other
// side of a pseudo terminal closed. Qt 5 reports that as a read or resource error of the port;
// Qt 6.8 reports nothing, leaves the port open and polls the hung-up descriptor without end.
//
// It watches the port's descriptor for a hang-up or an error, and wakes only then, so an open
// port costs nothing while no data come. Unix only: on Windows the reader's own port tells.
class HangupWatch : public QObject
{
    Q_OBJECT

public:
    // Watches the port as it is open now, from the thread that calls this. Delete the watch
    // before the port closes.
    explicit HangupWatch(QSerialPort *port, QObject *parent = nullptr);

signals:
    // Once, from the watch's thread.
    void hungUp();

private:
    QSocketNotifier *m_notifier = nullptr;
};

#endif
