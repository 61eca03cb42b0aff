#include "platform/fake/fake_recorder.h"

#include "platform/fake/fake_platform.h"

namespace clickwisp {

FakeRecorder::FakeRecorder(std::shared_ptr<FakeTrace> trace)
    : m_trace(std::move(trace))
{
}

Result<void> FakeRecorder::start(Sink sink)
{
    std::lock_guard lock(m_mutex);
    if (m_startFailure) {
        std::string message = std::move(*m_startFailure);
        m_startFailure.reset();
        m_trace->add("recorder start failed");
        return fail(message);
    }
    m_sink = std::move(sink);
    m_trace->add("recorder start");
    return {};
}

void FakeRecorder::stop()
{
    std::lock_guard lock(m_mutex);
    if (!m_sink)
        return;
    m_sink = nullptr;
    m_trace->add("recorder stop");
}

bool FakeRecorder::feed(const EVENTMSG& event)
{
    // Held while delivering, so stop() returns only after a delivery in
    // progress has ended, as the contract asks.
    std::lock_guard lock(m_mutex);
    if (!m_sink)
        return false;
    m_sink(event);
    return true;
}

void FakeRecorder::failNextStart(std::string message)
{
    std::lock_guard lock(m_mutex);
    m_startFailure = std::move(message);
}

bool FakeRecorder::started() const
{
    std::lock_guard lock(m_mutex);
    return bool(m_sink);
}

std::unique_ptr<InputRecorder> makeFakeRecorder(std::shared_ptr<FakeTrace> trace)
{
    return std::make_unique<FakeRecorder>(std::move(trace));
}

} // namespace clickwisp
