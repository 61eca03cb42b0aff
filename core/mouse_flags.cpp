#include "core/mouse_flags.h"

#include "core/win_codes.h"

namespace clickwisp {

std::vector<MouseButtonChange> MouseButtonChanges(uint32_t flags)
{
    struct Flag {
        uint32_t flag;
        MouseButtonChange change;
    };
    static constexpr Flag kFlags[] = {
        { MOUSEEVENTF_LEFTDOWN, { MouseButtonId::Left, true } },
        { MOUSEEVENTF_LEFTUP, { MouseButtonId::Left, false } },
        { MOUSEEVENTF_RIGHTDOWN, { MouseButtonId::Right, true } },
        { MOUSEEVENTF_RIGHTUP, { MouseButtonId::Right, false } },
        { MOUSEEVENTF_MIDDLEDOWN, { MouseButtonId::Middle, true } },
        { MOUSEEVENTF_MIDDLEUP, { MouseButtonId::Middle, false } },
    };
    std::vector<MouseButtonChange> changes;
    for (const Flag& f : kFlags) {
        if (flags & f.flag)
            changes.push_back(f.change);
    }
    return changes;
}

int32_t WheelSteps(uint32_t flags, int32_t data)
{
    if (!(flags & MOUSEEVENTF_WHEEL) || data == 0)
        return 0;
    const int32_t steps = -data / 120;
    if (steps != 0)
        return steps;
    return data > 0 ? -1 : 1;
}

} // namespace clickwisp
