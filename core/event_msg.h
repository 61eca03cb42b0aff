#pragma once

#include <cstdint>

namespace clickwisp {

// One recorded input event, laid out like the Windows journal hook's EVENTMSG.
// Mouse messages carry screen x in paramL and y in paramH; key messages carry
// the virtual-key code in the low byte of paramL. time is in milliseconds on
// one clock and may wrap around.
struct EVENTMSG {
    uint32_t message = 0;
    uint32_t paramL = 0;
    uint32_t paramH = 0;
    uint32_t time = 0;
    uint32_t hwnd = 0;
};

// Message numbers used by recorded events (the Windows values).
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

} // namespace clickwisp
