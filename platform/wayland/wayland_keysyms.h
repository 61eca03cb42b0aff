#pragma once

#include <cstdint>

namespace clickwisp {

// The two symbols of the key a Windows virtual-key code names, as XKB
// keysyms: the plain one and the one with Shift (US meaning for punctuation,
// 0 where Shift does not change the key). plain is 0 for codes without a key.
struct VirtualKeySyms {
    uint32_t plain = 0;
    uint32_t shifted = 0;
    friend bool operator==(const VirtualKeySyms&, const VirtualKeySyms&) = default;
};
VirtualKeySyms keysymsForVirtualKey(uint8_t vk);

// The keysym that types ch: Return for CR and LF, Tab, BackSpace, Escape,
// Delete for their control characters, the character's own keysym for the
// rest; 0 for other control characters and for values that are no character.
uint32_t keysymForCharacter(char32_t ch);

} // namespace clickwisp
