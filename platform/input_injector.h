#pragma once

#include "core/geometry.h"
#include "core/win_codes.h"

#include <cstdint>

namespace clickwisp {

// Synthesised pointer and keyboard input for the whole desktop.
// Called from the playback worker thread only.
class InputInjector {
public:
    virtual ~InputInjector() = default;

    // The pointer's position in screen pixels.
    virtual ScreenPoint GetCursorPos() = 0;
    // Whether GetCursorPos reads where the pointer really is. False where the
    // system keeps it from programs (Wayland): GetCursorPos then gives only
    // the last place this injector moved the pointer to.
    virtual bool canReadPointer() const { return true; }
    // Moves the pointer to (x, y); positions off the screen are clamped by the system.
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    // One mouse event at the pointer's position: a single MOUSEEVENTF_* flag,
    // and for MOUSEEVENTF_WHEEL the turn in data (negative: toward the user).
    virtual void mouse_event(uint32_t flags, int32_t data) = 0;
    // One key event for a virtual-key code; flags 0 (down) or KEYEVENTF_KEYUP.
    virtual void keybd_event(uint8_t vk, uint32_t flags) = 0;
};

} // namespace clickwisp
