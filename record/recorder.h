#pragma once

#include "core/error.h"
#include "core/event_msg.h"
#include "platform/input_recorder.h"

#include <functional>
#include <mutex>
#include <vector>

namespace clickwisp {

// The events of one recording, in the order they happened.
using TEventList = std::vector<EVENTMSG>;

// The program's recorder. The platform source calls in on its own thread and
// only copies the event into a queue; the owner moves the queue into
// RecordedEvents on its user-interface thread with drain(). The two filters
// are copied at the start of a recording and hold until its stop.
class Recorder {
public:
    explicit Recorder(InputRecorder& source);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Called on the source's thread when the queue turns from empty to
    // non-empty, so the owner can schedule a drain() on its own thread.
    // Set it while idle.
    void setEventsQueued(std::function<void()> notify);

    // Clears RecordedEvents, copies the filters and starts the source. A
    // source that cannot start (no display, no RECORD extension) leaves the
    // recorder idle and the error is returned for the user to see.
    Result<void> StartRecording(bool recordMouseMove, bool recordKeystroke);
    // Stops the source and drains every event it delivered before stopping.
    // Does nothing while idle.
    void StopRecording();
    bool Recording() const { return m_recording; }

    // Moves the queued events to the end of RecordedEvents; returns how many.
    size_t drain();
    // The events of the current or last recording, kept until the next start.
    const TEventList& RecordedEvents() const { return m_events; }
    // Lets the owner edit the finished recording (e.g. drop the stop key).
    TEventList& RecordedEvents() { return m_events; }

    bool RecordMouseMove() const { return m_recordMouseMove; }
    bool RecordKeystroke() const { return m_recordKeystroke; }

private:
    void append(const EVENTMSG& event);

    InputRecorder& m_source;
    std::function<void()> m_eventsQueued;
    bool m_recording = false;
    bool m_recordMouseMove = true;
    bool m_recordKeystroke = true;
    TEventList m_events;
    std::mutex m_queueMutex;
    TEventList m_queue; // guarded by m_queueMutex
};

} // namespace clickwisp
