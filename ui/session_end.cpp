#include "ui/session_end.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace clickwisp {

namespace {

constexpr int kSignals[] = { SIGTERM, SIGHUP, SIGINT };
int g_pipe[2] = { -1, -1 };
struct sigaction g_former[std::size(kSignals)];

extern "C" void onSessionEndSignal(int number)
{
    // Async-signal-safe only: one write, errno as it was.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionEndSignals::SessionEndSignals(QObject* parent)
    : QObject(parent)
{
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEndSignals::readPipe);
    struct sigaction action { };
    action.sa_handler = onSessionEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &g_former[i]);
}

SessionEndSignals::~SessionEndSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_former[i], nullptr);
    delete m_notifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SessionEndSignals::readPipe()
{
    unsigned char byte = 0;
    while (read(g_pipe[0], &byte, 1) == 1)
        emit received(byte);
}

} // namespace clickwisp
