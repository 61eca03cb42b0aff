#pragma once

#include <cstdint>

namespace clickwisp {

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Mouse event flags and key flags with their Win32 values, so playback logic
// is written once for every backend.
enum : uint32_t {
    MOUSEEVENTF_LEFTDOWN = 0x0002,
    MOUSEEVENTF_LEFTUP = 0x0004,
    MOUSEEVENTF_RIGHTDOWN = 0x0008,
    MOUSEEVENTF_RIGHTUP = 0x0010,
    MOUSEEVENTF_MIDDLEDOWN = 0x0020,
    MOUSEEVENTF_MIDDLEUP = 0x0040,
    MOUSEEVENTF_WHEEL = 0x0800,
    KEYEVENTF_KEYUP = 0x0002,
};

// Synthesised pointer and keyboard input for the whole desktop.
// Called from the playback worker thread only.
class InputInjector {
public:
    virtual ~InputInjector() = default;

    // The pointer's position in screen pixels.
    virtual ScreenPoint GetCursorPos() = 0;
    // Moves the pointer to (x, y); positions off the screen are clamped by the system.
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    // One mouse event at the pointer's position: a single MOUSEEVENTF_* flag,
    // and for MOUSEEVENTF_WHEEL the turn in data (negative: toward the user).
    virtual void mouse_event(uint32_t flags, int32_t data) = 0;
    // One key event for a virtual-key code; flags 0 (down) or KEYEVENTF_KEYUP.
    virtual void keybd_event(uint8_t vk, uint32_t flags) = 0;
};

} // namespace clickwisp
