// What a delay costs and how fast a stop ends it, on the real waiter:
//  - processor time of this process while a run waits out a 2-second delay
//    (the polling wait it replaces keeps one core busy: shown alongside);
//  - stop latency: from Terminate during a long delay to the run's end
//    notice, and to the wait's return alone.
//
//   ./playback_wait [STOPS]
#include "platform/fake/fake_platform.h"
#include "playback/run_thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using namespace clickwisp;
using Clock = std::chrono::steady_clock;

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

DesktopFactory fakeDesktop()
{
    return [] { return makeFakePlatform(FakeOptions {}); };
}

ActionList delayList(int32_t ms)
{
    ActionList list;
    list.push_back(TBaseCtrlEX::CreateDelay(ms));
    return list;
}

// The wait as first written: poll the clock and the flag without sleeping.
void pollingWait(int64_t ms, const std::atomic<bool>& stop)
{
    const auto start = Clock::now();
    while (!stop.load() && Clock::now() - start < std::chrono::milliseconds(ms)) { }
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    const int stops = argc > 1 ? std::atoi(argv[1]) : 100;

    // 1. Processor time during a 2-second delay action.
    {
        std::promise<void> ended;
        TRunThread run(
            delayList(2000), {}, fakeDesktop(), makeSteadyWaiter(), [&](const RunEnd&) { ended.set_value(); });
        const double cpu0 = cpuSeconds();
        const auto wall0 = Clock::now();
        run.Start();
        ended.get_future().wait();
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        const double cpu = cpuSeconds() - cpu0;
        std::printf("2-second delay, run engine: wall %.3f s, process CPU %.2f ms = %.3f %% of one core\n", wall,
            cpu * 1e3, 100.0 * cpu / wall);

        std::atomic<bool> never { false };
        const double pcpu0 = cpuSeconds();
        const auto pwall0 = Clock::now();
        pollingWait(2000, never);
        const double pwall = std::chrono::duration<double>(Clock::now() - pwall0).count();
        const double pcpu = cpuSeconds() - pcpu0;
        std::printf("2-second delay, polling wait (for comparison): wall %.3f s, CPU %.0f ms = %.1f %% of one core\n",
            pwall, pcpu * 1e3, 100.0 * pcpu / pwall);
    }

    // 2. Stop latency during a 60-second delay.
    std::vector<double> toNotice, toReturn;
    for (int i = 0; i < stops; ++i) {
        std::atomic<int64_t> noticeAt { 0 };
        std::promise<void> ended;
        TRunThread run(delayList(60000), {}, fakeDesktop(), makeSteadyWaiter(), [&](const RunEnd&) {
            noticeAt = Clock::now().time_since_epoch().count();
            ended.set_value();
        });
        run.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + i % 7));
        const auto stopAt = Clock::now();
        run.Terminate();
        ended.get_future().wait();
        toNotice.push_back(double(noticeAt.load() - stopAt.time_since_epoch().count()) / 1e6);

        // The wait alone, without the run's platform teardown and notice.
        auto waiter = makeSteadyWaiter();
        StopRequest stop;
        std::atomic<int64_t> returnedAt { 0 };
        std::thread worker([&] {
            waiter->Wait(60000, stop);
            returnedAt = Clock::now().time_since_epoch().count();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + i % 7));
        const auto requestAt = Clock::now();
        stop.request();
        worker.join();
        toReturn.push_back(double(returnedAt.load() - requestAt.time_since_epoch().count()) / 1e6);
    }
    std::printf("Stop during a 60-second delay, %d stops: Terminate to end notice median %.3f ms, p90 %.3f ms, "
                "max %.3f ms\n",
        stops, percentile(toNotice, 0.5), percentile(toNotice, 0.9), percentile(toNotice, 1.0));
    std::printf("Stop request to the wait's return: median %.3f ms, p90 %.3f ms, max %.3f ms\n",
        percentile(toReturn, 0.5), percentile(toReturn, 0.9), percentile(toReturn, 1.0));
    return 0;
}
