#include "feeder.h"

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

} // namespace

void installStopHandlers()
{
#ifdef Q_OS_UNIX
    // One-shot: a second Ctrl+C kills at once if the clean exit ever hangs.
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#endif
}

bool stopRequested()
{
    return g_stopSignal != 0;
}

void printErr(const QString &text)
{
    std::fprintf(stderr, "corvale-feed: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

int stopSignal()
{
    return int(g_stopSignal);
}
