#include "platform/fake/fake_waiter.h"

#include <string>

namespace clickwisp {

namespace {

class TraceWaiter final : public Waiter {
public:
    explicit TraceWaiter(std::shared_ptr<FakeTrace> trace)
        : m_trace(std::move(trace))
    {
    }

    void Wait(int64_t ms, StopRequest&) override { m_trace->add("Wait " + std::to_string(ms)); }

private:
    std::shared_ptr<FakeTrace> m_trace;
};

} // namespace

std::shared_ptr<Waiter> makeTraceWaiter(std::shared_ptr<FakeTrace> trace)
{
    return std::make_shared<TraceWaiter>(std::move(trace));
}

} // namespace clickwisp
