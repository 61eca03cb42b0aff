#pragma once

#include "platform/fake/fake_trace.h"
#include "platform/input_recorder.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace clickwisp {

// A recorder fed by the test: feed() delivers an event to the sink as the
// desktop would, from the calling thread. Trace lines: "recorder start",
// "recorder stop".
class FakeRecorder : public InputRecorder {
public:
    explicit FakeRecorder(std::shared_ptr<FakeTrace> trace);

    Result<void> start(Sink sink) override;
    void stop() override;

    // Delivers one event when started; returns whether it was delivered.
    bool feed(const EVENTMSG& event);
    // Makes the next start() fail with this message (e.g. no RECORD extension).
    void failNextStart(std::string message);
    bool started() const;

private:
    std::shared_ptr<FakeTrace> m_trace;
    mutable std::mutex m_mutex;
    Sink m_sink; // guarded by m_mutex
    std::optional<std::string> m_startFailure;
};

} // namespace clickwisp
