#include "platform/wayland/wayland_keysyms.h"

#include <xkbcommon/xkbcommon.h>

namespace clickwisp {

uint32_t keysymForCharacter(char32_t ch)
{
    switch (ch) {
    case U'\n':
    case U'\r': return XKB_KEY_Return;
    case U'\t': return XKB_KEY_Tab;
    case U'\b': return XKB_KEY_BackSpace;
    case 0x1B: return XKB_KEY_Escape;
    case 0x7F: return XKB_KEY_Delete;
    default: break;
    }
    if (ch < 0x20 || (ch >= 0x80 && ch < 0xA0) || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return 0;
    return xkb_utf32_to_keysym(uint32_t(ch));
}

} // namespace clickwisp
