#pragma once

// The Windows message numbers, input flags, modifier sets and virtual-key
// codes the program works with, with their Windows values, so recorded
// events, playback and hot keys are written once for every backend. List
// files and config.xml store some of these values: append only, never
// change a value.
//
// A Windows backend includes this header before <windows.h>: its macros of
// the same names then expand to the same values.
#if defined(MOUSEEVENTF_LEFTDOWN) || defined(WM_KEYDOWN) || defined(MOD_ALT)
#error "include core/win_codes.h (or the headers using it) before <windows.h>"
#endif

#include <cstdint>

namespace clickwisp {

// Messages of recorded events.
enum : uint32_t {
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MOUSEWHEEL = 0x020A,
};

// Mouse event flags and key flags of synthesised input.
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

// Modifier sets of hot keys.
enum : uint32_t {
    MOD_ALT = 0x0001,
    MOD_CONTROL = 0x0002,
};

// Virtual-key codes named in code (the rest are plain numbers in key actions).
enum : uint32_t {
    VK_F1 = 0x70,
    VK_F12 = 0x7B,
};

} // namespace clickwisp
