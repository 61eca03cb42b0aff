#pragma once

#include "core/error.h"
#include "core/event_msg.h"

#include <functional>

namespace clickwisp {

// A system-wide source of the user's own pointer and keyboard events.
class InputRecorder {
public:
    using Sink = std::function<void(const EVENTMSG&)>;

    virtual ~InputRecorder() = default;

    // Starts delivering every input event of the desktop to sink, in order,
    // on the recorder's own thread; sink must only copy and queue the event.
    // Fails with a message a user can act on (no display, no RECORD extension).
    virtual Result<void> start(Sink sink) = 0;
    // Stops delivery; when it returns, sink is no longer called.
    virtual void stop() = 0;
};

} // namespace clickwisp
