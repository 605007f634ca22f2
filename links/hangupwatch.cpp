#include "links/hangupwatch.h"

#include <QSerialPort>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <poll.h>

namespace {

bool descriptorFailed(int descriptor)
{
    pollfd state{descriptor, 0, 0};
    return ::poll(&state, 1, 0) == 1 && (state.revents & (POLLHUP | POLLERR | POLLNVAL));
}

} // namespace
#endif

HangupWatch::HangupWatch(QSerialPort *port, QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    const int descriptor = int(port->handle());
    if (descriptor < 0)
        return;
    // An exception notifier wakes on an error or a hang-up of the descriptor (and on urgent
    // data, which a terminal never has), never on the data the port reads.
    m_notifier = new QSocketNotifier(descriptor, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this, descriptor] {
        if (!descriptorFailed(descriptor))
            return;
        // A hung-up descriptor stays ready for good: one report, then silence.
        m_notifier->setEnabled(false);
        emit hungUp();
    });
#else
    Q_UNUSED(port);
#endif
}
