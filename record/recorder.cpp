#include "record/recorder.h"

namespace clickwisp {

Recorder::Recorder(InputRecorder& source)
    : m_source(source)
{
}

Recorder::~Recorder()
{
    StopRecording();
}

void Recorder::setEventsQueued(std::function<void()> notify)
{
    m_eventsQueued = std::move(notify);
}

Result<void> Recorder::StartRecording(bool recordMouseMove, bool recordKeystroke)
{
    StopRecording();
    m_events.clear();
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.clear();
    }
    m_recordMouseMove = recordMouseMove;
    m_recordKeystroke = recordKeystroke;
    auto started = m_source.start([this](const EVENTMSG& event) { append(event); });
    if (!started)
        return started;
    m_recording = true;
    return {};
}

void Recorder::StopRecording()
{
    if (!m_recording)
        return;
    m_source.stop();
    m_recording = false;
    drain();
}

// Runs on the source's thread: two comparisons, one copy, one append.
void Recorder::append(const EVENTMSG& event)
{
    if (!m_recordMouseMove && event.message == WM_MOUSEMOVE)
        return;
    if (!m_recordKeystroke
        && (event.message == WM_KEYDOWN || event.message == WM_KEYUP || event.message == WM_SYSKEYDOWN
            || event.message == WM_SYSKEYUP))
        return;
    bool wasEmpty;
    {
        std::lock_guard lock(m_queueMutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back(event);
    }
    if (wasEmpty && m_eventsQueued)
        m_eventsQueued();
}

size_t Recorder::drain()
{
    TEventList arrived;
    {
        std::lock_guard lock(m_queueMutex);
        arrived.swap(m_queue);
    }
    m_events.insert(m_events.end(), arrived.begin(), arrived.end());
    return arrived.size();
}

} // namespace clickwisp
