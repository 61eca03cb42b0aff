#pragma once

#include <cstdint>
#include <vector>

namespace clickwisp {

// A Windows mouse event (InputInjector::mouse_event) as Wayland pointer
// events, for the backends that send them.

// One button going down or up: its evdev code (BTN_LEFT ...).
struct ButtonChange {
    uint32_t code = 0;
    bool down = false;
    friend bool operator==(const ButtonChange&, const ButtonChange&) = default;
};
// The button changes the flags ask for: left, right, then middle, each
// down before up.
std::vector<ButtonChange> buttonChanges(uint32_t flags);

// The wheel notches of a MOUSEEVENTF_WHEEL turn of data (Windows: positive
// away from the user, 120 a notch), as Wayland counts them: positive
// scrolls down, toward the user; at least one notch for any turn. 0 without
// a wheel flag or a turn.
int32_t wheelNotches(uint32_t flags, int32_t data);

// One notch in the surface units wl_pointer.axis uses.
inline constexpr double kWheelNotchDistance = 15.0;

} // namespace clickwisp
