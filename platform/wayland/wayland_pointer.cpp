#include "platform/wayland/wayland_pointer.h"

#include <linux/input-event-codes.h>

namespace clickwisp {

uint32_t evdevButton(MouseButtonId button)
{
    switch (button) {
    case MouseButtonId::Left: return BTN_LEFT;
    case MouseButtonId::Right: return BTN_RIGHT;
    case MouseButtonId::Middle: return BTN_MIDDLE;
    }
    return BTN_LEFT;
}

} // namespace clickwisp
