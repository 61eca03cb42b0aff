#pragma once

#include "platform/fake/fake_trace.h"
#include "platform/waiter.h"

#include <memory>

namespace clickwisp {

// A waiter for tests and --dry-run: each wait becomes the trace line
// "Wait MS" (also for 0 and negative lengths) and no real time passes.
std::shared_ptr<Waiter> makeTraceWaiter(std::shared_ptr<FakeTrace> trace);

} // namespace clickwisp
