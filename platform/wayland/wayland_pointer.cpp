#include "platform/wayland/wayland_pointer.h"

#include "core/win_codes.h"

#include <linux/input-event-codes.h>

namespace clickwisp {

std::vector<ButtonChange> buttonChanges(uint32_t flags)
{
    struct Flag {
        uint32_t flag;
        ButtonChange change;
    };
    static constexpr Flag kFlags[]
        = { { MOUSEEVENTF_LEFTDOWN, { BTN_LEFT, true } }, { MOUSEEVENTF_LEFTUP, { BTN_LEFT, false } },
              { MOUSEEVENTF_RIGHTDOWN, { BTN_RIGHT, true } }, { MOUSEEVENTF_RIGHTUP, { BTN_RIGHT, false } },
              { MOUSEEVENTF_MIDDLEDOWN, { BTN_MIDDLE, true } }, { MOUSEEVENTF_MIDDLEUP, { BTN_MIDDLE, false } } };
    std::vector<ButtonChange> changes;
    for (const auto& [flag, change] : kFlags) {
        if (flags & flag)
            changes.push_back(change);
    }
    return changes;
}

int32_t wheelNotches(uint32_t flags, int32_t data)
{
    if (!(flags & MOUSEEVENTF_WHEEL) || data == 0)
        return 0;
    const int32_t notches = -data / 120;
    return notches != 0 ? notches : (data > 0 ? -1 : 1);
}

} // namespace clickwisp
