// How fast the X11 recorder takes in a burst of synthesised input, and what
// each event costs this process. A separate process sends the burst through
// XTest, as another program on the desktop would; this one records it with
// the RECORD extension and drains the queue as the user interface would.
//
//   xvfb-run -a -s "+extension RECORD" ./record_rate [EVENTS] [ROUNDS]
#include "platform/x11/x11_platform.h"
#include "record/recorder.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace clickwisp;

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Forked before any thread exists; sends its burst once told to through go.
pid_t startSender(int events, int go)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    char byte;
    if (read(go, &byte, 1) != 1)
        _exit(2);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        _exit(3);
    for (int i = 0; i < events; ++i)
        XTestFakeMotionEvent(display, 0, 1 + i % 1000, 1 + i / 1000 % 700, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    _exit(0);
}

bool inOrder(const TEventList& events, int count)
{
    if (int(events.size()) != count)
        return false;
    for (int i = 0; i < count; ++i) {
        const EVENTMSG& e = events[size_t(i)];
        if (e.message != WM_MOUSEMOVE || e.paramL != uint32_t(1 + i % 1000) || e.paramH != uint32_t(1 + i / 1000 % 700))
            return false;
    }
    return true;
}

int runRound(int events)
{
    int go[2];
    if (pipe(go) != 0)
        return 1;
    const pid_t sender = startSender(events, go[0]);
    close(go[0]);

    auto source = makeX11Recorder();
    if (!source) {
        std::fprintf(stderr, "record_rate: %s\n", source.error().message.c_str());
        kill(sender, SIGKILL);
        waitpid(sender, nullptr, 0);
        return 69;
    }
    Recorder recorder(**source);
    if (auto started = recorder.StartRecording(true, true); !started) {
        std::fprintf(stderr, "record_rate: %s\n", started.error().message.c_str());
        kill(sender, SIGKILL);
        waitpid(sender, nullptr, 0);
        return 69;
    }

    const double cpuBefore = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const char byte = 1;
    if (write(go[1], &byte, 1) != 1)
        return 1;
    close(go[1]);
    const auto limit = start + std::chrono::seconds(60);
    while (recorder.RecordedEvents().size() < size_t(events) && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        recorder.drain();
    }
    const auto end = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds() - cpuBefore;
    recorder.StopRecording();
    int status = 0;
    waitpid(sender, &status, 0);

    const double seconds = std::chrono::duration<double>(end - start).count();
    const size_t got = recorder.RecordedEvents().size();
    std::printf("%7d events  received %7zu  complete and in order: %-3s  %8.1f ms  %9.0f events/s  "
                "%6.2f us CPU per event\n",
        events, got, inOrder(recorder.RecordedEvents(), events) ? "yes" : "NO", seconds * 1e3, double(got) / seconds,
        cpu * 1e6 / double(got ? got : 1));
    return inOrder(recorder.RecordedEvents(), events) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const int events = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (events <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: record_rate [EVENTS] [ROUNDS]\n");
        return 64;
    }
    std::printf("X11 recorder, bursts of XTest pointer moves from another process "
                "(CPU: this process, recorder thread and draining)\n");
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        const int result = runRound(events);
        if (result == 69)
            return 69;
        failures += result != 0;
    }
    return failures == 0 ? 0 : 1;
}
