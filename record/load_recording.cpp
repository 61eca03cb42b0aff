#include "record/load_recording.h"

namespace clickwisp {

ActionList LoadRecording(std::span<const EVENTMSG> events)
{
    ActionList actions;
    if (events.empty())
        return actions;
    actions.reserve(2 * events.size() - 1);
    actions.push_back(TBaseCtrlEX::CreateFromEvent(events[0]));
    for (size_t i = 1; i < events.size(); ++i) {
        // Unsigned subtraction wraps like the tick count it measures.
        const uint32_t elapsed = events[i].time - events[i - 1].time;
        actions.push_back(TBaseCtrlEX::CreateDelay(static_cast<int32_t>(elapsed)));
        actions.push_back(TBaseCtrlEX::CreateFromEvent(events[i]));
    }
    return actions;
}

} // namespace clickwisp
