#include "record/hot_key_presses.h"

#include "platform/hot_key_source.h"

#include <algorithm>

namespace clickwisp {

namespace {

bool isKeyDown(const EVENTMSG& event)
{
    return event.message == WM_KEYDOWN || event.message == WM_SYSKEYDOWN;
}

// Virtual-key codes of the modifier keys, generic and left/right.
bool isModifierKey(uint32_t vkCode, uint32_t modifiers)
{
    if ((modifiers & MOD_ALT) && (vkCode == 0x12 || vkCode == 0xA4 || vkCode == 0xA5))
        return true;
    if ((modifiers & MOD_CONTROL) && (vkCode == 0x11 || vkCode == 0xA2 || vkCode == 0xA3))
        return true;
    return false;
}

} // namespace

void DropHotKeyPresses(TEventList& events, uint32_t modifiers, uint32_t vk)
{
    auto last = std::find_if(
        events.rbegin(), events.rend(), [&](const EVENTMSG& e) { return isKeyDown(e) && (e.paramL & 0xFF) == vk; });
    if (last == events.rend())
        return;
    size_t cut = size_t(events.rend() - last) - 1;
    events.resize(cut);
    // The modifier went down just before the key; moves made while holding it stay.
    for (size_t i = cut; i-- > 0;) {
        const EVENTMSG& event = events[i];
        if (event.message == WM_MOUSEMOVE)
            continue;
        if (!isKeyDown(event) || !isModifierKey(event.paramL & 0xFF, modifiers))
            break;
        events.erase(events.begin() + std::ptrdiff_t(i));
    }
}

} // namespace clickwisp
