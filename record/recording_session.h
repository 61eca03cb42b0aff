#pragma once

#include "core/action.h"
#include "core/error.h"
#include "platform/input_recorder.h"
#include "record/hot_keys.h"
#include "record/recorder.h"

#include <functional>
#include <optional>

namespace clickwisp {

// One recording from its start to the actions it becomes, the same for the
// desktop program and the command line: the filters hold from start to
// stop, the presses of the hot key that stopped it are left out (replaying
// them would leave its modifier held), and the events become actions with
// delays between them.
class RecordingSession {
public:
    explicit RecordingSession(InputRecorder& source);

    // See Recorder::setEventsQueued.
    void setEventsQueued(std::function<void()> notify);

    // Starts a recording with the two filters. A source that cannot start
    // leaves the session idle and the error is returned for the user to see.
    Result<void> Start(bool recordMouseMove, bool recordKeystroke);
    // Stops the recording and returns its actions. stopKey is the hot key
    // that stopped it, if one did: its presses are cut from the end.
    ActionList Stop(std::optional<HotKeyOrigin> stopKey = {});
    bool Recording() const { return m_recorder.Recording(); }

    // Moves the events that arrived into the recording; call it on the
    // owner's thread. Returns how many.
    size_t drain() { return m_recorder.drain(); }
    // The events of the current or last recording (after Stop: as kept).
    const TEventList& Events() const { return m_recorder.RecordedEvents(); }

private:
    Recorder m_recorder;
};

} // namespace clickwisp
