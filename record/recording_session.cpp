#include "record/recording_session.h"

#include "record/hot_key_presses.h"
#include "record/load_recording.h"

#include <algorithm>

namespace clickwisp {

namespace {

bool isKeyUp(const EVENTMSG& event)
{
    return event.message == WM_KEYUP || event.message == WM_SYSKEYUP;
}

bool isKeyDown(const EVENTMSG& event)
{
    return event.message == WM_KEYDOWN || event.message == WM_SYSKEYDOWN;
}

bool isKeyOf(const EVENTMSG& event, const HotKeyOrigin& key)
{
    const uint32_t vk = event.paramL & 0xFF;
    if (vk == key.vk)
        return true;
    if ((key.modifiers & MOD_ALT) && (vk == 0x12 || vk == 0xA4 || vk == 0xA5))
        return true;
    return (key.modifiers & MOD_CONTROL) && (vk == 0x11 || vk == 0xA2 || vk == 0xA3);
}

// A recording started by a hot key begins while the user still holds it:
// the releases of its keys that come before any key is pressed again are
// not the user's actions on the desktop, so they are left out.
void dropStartKeyReleases(TEventList& events, const HotKeyOrigin& key)
{
    auto firstDown = std::find_if(events.begin(), events.end(), isKeyDown);
    events.erase(std::remove_if(events.begin(), firstDown,
                     [&](const EVENTMSG& event) { return isKeyUp(event) && isKeyOf(event, key); }),
        firstDown);
}

} // namespace

RecordingSession::RecordingSession(InputRecorder& source)
    : m_recorder(source)
{
}

void RecordingSession::setEventsQueued(std::function<void()> notify)
{
    m_recorder.setEventsQueued(std::move(notify));
}

Result<void> RecordingSession::Start(bool recordMouseMove, bool recordKeystroke, std::optional<HotKeyOrigin> startKey)
{
    auto started = m_recorder.StartRecording(recordMouseMove, recordKeystroke);
    if (started)
        m_startKey = startKey;
    return started;
}

ActionList RecordingSession::Stop(std::optional<HotKeyOrigin> stopKey)
{
    m_recorder.StopRecording();
    TEventList& events = m_recorder.RecordedEvents();
    if (stopKey)
        DropHotKeyPresses(events, stopKey->modifiers, stopKey->vk);
    if (m_startKey)
        dropStartKeyReleases(events, *m_startKey);
    m_startKey.reset();
    return LoadRecording(events);
}

} // namespace clickwisp
