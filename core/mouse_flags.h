#pragma once

#include <cstdint>
#include <vector>

namespace clickwisp {

// What one mouse_event call asks for, for desktops that take buttons and
// wheel steps rather than Windows' flags.
enum class MouseButtonId { Left, Right, Middle };
struct MouseButtonChange {
    MouseButtonId button;
    bool down;
    friend bool operator==(const MouseButtonChange&, const MouseButtonChange&) = default;
};

// The button presses and releases of the MOUSEEVENTF_* flags, in the order
// left, right, middle, each press before its release.
std::vector<MouseButtonChange> MouseButtonChanges(uint32_t flags);

// The wheel steps of MOUSEEVENTF_WHEEL with its turn data: one step a notch
// of 120, a part of a notch still one step; positive toward the user
// (scrolling down, where Windows' turn is negative); 0 without the flag.
int32_t WheelSteps(uint32_t flags, int32_t data);

} // namespace clickwisp
