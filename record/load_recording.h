#pragma once

#include "core/action.h"
#include "core/event_msg.h"

#include <span>

namespace clickwisp {

// The actions of a recording: the first event's action, then for each later
// event a delay of the time since the previous event followed by that event's
// action, so n events give 2n - 1 actions. Time stamps are 32-bit and may wrap
// around; the difference is taken modulo 2^32 and stored as a signed delay.
ActionList LoadRecording(std::span<const EVENTMSG> events);

} // namespace clickwisp
