#include "platform/waiter.h"

#include <thread>

namespace clickwisp {

namespace {

// Waits below this length are plain sleeps that a stop request does not cut.
constexpr int64_t kInterruptibleFrom = 100;

class SteadyWaiter final : public Waiter {
public:
    void Wait(int64_t ms, StopRequest& stop) override
    {
        if (ms <= 0)
            return;
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        if (ms < kInterruptibleFrom) {
            // sleep_until may wake early on a signal; loop until the deadline.
            while (Clock::now() < deadline)
                std::this_thread::sleep_until(deadline);
            return;
        }
        // The predicate guards against spurious wake-ups; the outer loop
        // against a timed-out wait that returns a hair before the deadline.
        while (!stop.waitUntil(deadline)) {
            if (Clock::now() >= deadline)
                return;
        }
    }
};

} // namespace

std::shared_ptr<Waiter> makeSteadyWaiter()
{
    return std::make_shared<SteadyWaiter>();
}

} // namespace clickwisp
