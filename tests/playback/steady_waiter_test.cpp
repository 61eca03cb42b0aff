#include "platform/waiter.h"

#include <gtest/gtest.h>

#include <thread>

namespace clickwisp {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Timed(Waiter& waiter, int64_t ms, StopRequest& stop)
{
    const auto start = Clock::now();
    waiter.Wait(ms, stop);
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(SteadyWaiter, NeverEndsEarlyWithoutAStop)
{
    auto waiter = makeSteadyWaiter();
    StopRequest stop;
    EXPECT_GE(Timed(*waiter, 30, stop), milliseconds(30));
    EXPECT_GE(Timed(*waiter, 120, stop), milliseconds(120));
}

TEST(SteadyWaiter, ShortWaitsAreNotCutByAStop)
{
    auto waiter = makeSteadyWaiter();
    StopRequest stop;
    stop.request();
    EXPECT_GE(Timed(*waiter, 60, stop), milliseconds(60));
}

TEST(SteadyWaiter, LongWaitsEndOnAStop)
{
    auto waiter = makeSteadyWaiter();
    {
        StopRequest stop;
        stop.request();
        EXPECT_LT(Timed(*waiter, 100, stop), milliseconds(100));
    }
    {
        // Stopped from another thread while waiting. The clock starts before
        // the thread, so a slow start of the wait cannot shorten the figure.
        StopRequest stop;
        const auto start = Clock::now();
        std::thread stopper([&] {
            std::this_thread::sleep_for(milliseconds(20));
            stop.request();
        });
        waiter->Wait(60000, stop);
        const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        stopper.join();
        EXPECT_GE(waited, milliseconds(20));
        EXPECT_LT(waited, milliseconds(30000));
    }
}

TEST(SteadyWaiter, ZeroAndNegativeReturnAtOnce)
{
    auto waiter = makeSteadyWaiter();
    StopRequest stop;
    EXPECT_LT(Timed(*waiter, 0, stop), milliseconds(50));
    EXPECT_LT(Timed(*waiter, -100000, stop), milliseconds(50));
}

} // namespace
} // namespace clickwisp
