#pragma once

#include "core/mouse_flags.h"

#include <cstdint>

namespace clickwisp {

// The evdev code (BTN_LEFT ...) Wayland pointer events give a button.
uint32_t evdevButton(MouseButtonId button);

// One wheel step in the surface units wl_pointer.axis uses.
inline constexpr double kWheelNotchDistance = 15.0;

} // namespace clickwisp
