#pragma once

#include "core/win_codes.h"

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

} // namespace clickwisp
