#include "cli/stop_signals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace clickwisp::cli {

namespace {

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

int watchStopSignals()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

void unwatchStopSignals(int fd)
{
    if (fd >= 0)
        close(fd);
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

} // namespace clickwisp::cli
