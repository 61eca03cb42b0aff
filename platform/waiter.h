#pragma once

#include "platform/stop_request.h"

#include <cstdint>
#include <memory>

namespace clickwisp {

// How the run engine waits out delay actions and the interval between
// passes. Tests and --dry-run put in a waiter that lets no real time pass.
// One waiter may serve several runs at once.
class Waiter {
public:
    virtual ~Waiter() = default;

    // Waits ms milliseconds. ms <= 0 returns at once. A wait under 100 ms
    // is not cut short by a stop request; a longer one returns as soon as
    // stop is requested. Otherwise it never returns before ms have passed.
    virtual void Wait(int64_t ms, StopRequest& stop) = 0;
};

// The real waiter: measured on the steady clock, blocked on the stop
// request's condition variable, so a long wait costs no processor time.
std::shared_ptr<Waiter> makeSteadyWaiter();

} // namespace clickwisp
