#include "cli/stop_watch.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <csignal>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>
#endif

namespace clickwisp::cli {

#ifdef _WIN32

namespace {

// The console's control events set this event; one process, one console.
HANDLE g_stopEvent = nullptr;
std::atomic<DWORD> g_lastControl { CTRL_C_EVENT };

BOOL WINAPI onConsoleControl(DWORD control)
{
    g_lastControl = control;
    SetEvent(g_stopEvent);
    // Asked to close: the system ends the process once this returns, so the
    // waiting thread gets a moment to finish.
    if (control == CTRL_CLOSE_EVENT || control == CTRL_LOGOFF_EVENT || control == CTRL_SHUTDOWN_EVENT)
        Sleep(5000);
    return TRUE;
}

class ConsoleStopWatch final : public StopWatch {
public:
    explicit ConsoleStopWatch(HANDLE wake)
        : m_wake(wake)
    {
    }
    ~ConsoleStopWatch() override
    {
        SetConsoleCtrlHandler(onConsoleControl, FALSE);
        CloseHandle(m_wake);
    }

    void wake() override { SetEvent(m_wake); }

    Event wait(std::chrono::milliseconds timeout) override
    {
        const HANDLE events[2] = { g_stopEvent, m_wake };
        const DWORD limit = timeout.count() < 0 ? INFINITE : DWORD(timeout.count());
        switch (WaitForMultipleObjects(2, events, FALSE, limit)) {
        case WAIT_OBJECT_0: return Event::Stop;
        case WAIT_OBJECT_0 + 1: return Event::Wake;
        case WAIT_TIMEOUT: return Event::Timeout;
        default: return Event::Failed;
        }
    }

    // Ctrl+C as SIGINT, the others as SIGTERM.
    int stopStatus() const override { return g_lastControl == CTRL_C_EVENT ? 128 + 2 : 128 + 15; }

private:
    HANDLE m_wake;
};

std::string lastErrorText()
{
    return "error " + std::to_string(GetLastError());
}

} // namespace

const char* stopRequestText()
{
    return "Ctrl+C";
}

Result<std::unique_ptr<StopWatch>> StopWatch::open()
{
    if (!g_stopEvent)
        g_stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr); // auto-reset: one report per request
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!g_stopEvent || !wake || !SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        const std::string reason = lastErrorText();
        if (wake)
            CloseHandle(wake);
        return fail("cannot watch for Ctrl+C: " + reason);
    }
    return std::make_unique<ConsoleStopWatch>(wake);
}

#else

namespace {

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// SIGINT and SIGTERM through a signalfd, wake-ups through an eventfd.
class SignalStopWatch final : public StopWatch {
public:
    SignalStopWatch(int signals, int wakes)
        : m_signals(signals)
        , m_wakes(wakes)
    {
    }
    // The signals stay blocked: one that stopped the verb may still be
    // pending and would end the program before its work is saved.
    ~SignalStopWatch() override
    {
        close(m_signals);
        close(m_wakes);
    }

    void wake() override
    {
        const uint64_t one = 1;
        ssize_t written = write(m_wakes, &one, sizeof one);
        (void)written;
    }

    Event wait(std::chrono::milliseconds timeout) override
    {
        for (;;) {
            pollfd fds[2] = { { m_signals, POLLIN, 0 }, { m_wakes, POLLIN, 0 } };
            const int ready = poll(fds, 2, timeout.count() < 0 ? -1 : int(timeout.count()));
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                return Event::Failed;
            }
            if (ready == 0)
                return Event::Timeout;
            if (fds[0].revents & POLLIN) {
                signalfd_siginfo info;
                if (read(m_signals, &info, sizeof info) == ssize_t(sizeof info)) {
                    m_lastSignal = int(info.ssi_signo);
                    return Event::Stop;
                }
            }
            if (fds[1].revents & POLLIN) {
                uint64_t count = 0;
                ssize_t got = read(m_wakes, &count, sizeof count);
                (void)got;
                return Event::Wake;
            }
        }
    }

    int stopStatus() const override { return 128 + m_lastSignal; }

private:
    int m_signals;
    int m_wakes;
    int m_lastSignal = SIGINT;
};

} // namespace

const char* stopRequestText()
{
    return "Ctrl+C or SIGTERM";
}

Result<std::unique_ptr<StopWatch>> StopWatch::open()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    const int signals = signalfd(-1, &set, SFD_CLOEXEC);
    const int wakes = eventfd(0, EFD_CLOEXEC);
    if (signals < 0 || wakes < 0) {
        const std::string reason = std::strerror(errno);
        if (signals >= 0)
            close(signals);
        if (wakes >= 0)
            close(wakes);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return fail("cannot watch for stop signals: " + reason);
    }
    return std::make_unique<SignalStopWatch>(signals, wakes);
}

#endif

} // namespace clickwisp::cli
