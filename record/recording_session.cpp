#include "record/recording_session.h"

#include "record/hot_key_presses.h"
#include "record/load_recording.h"

namespace clickwisp {

RecordingSession::RecordingSession(InputRecorder& source)
    : m_recorder(source)
{
}

void RecordingSession::setEventsQueued(std::function<void()> notify)
{
    m_recorder.setEventsQueued(std::move(notify));
}

Result<void> RecordingSession::Start(bool recordMouseMove, bool recordKeystroke)
{
    return m_recorder.StartRecording(recordMouseMove, recordKeystroke);
}

ActionList RecordingSession::Stop(std::optional<HotKeyOrigin> stopKey)
{
    m_recorder.StopRecording();
    TEventList& events = m_recorder.RecordedEvents();
    if (stopKey)
        DropHotKeyPresses(events, stopKey->modifiers, stopKey->vk);
    return LoadRecording(events);
}

} // namespace clickwisp
