#pragma once

#include <cstdint>

namespace clickwisp {

// Windows virtual-key codes and the keysyms of their keys, as numbers: X11
// and XKB keysyms are the same numbers, so both desktop backends of Linux
// share this one table. Punctuation keys (VK_OEM_*) carry their US-layout
// meaning.

// The two symbols of the key a virtual-key code names: the plain one and the
// one with Shift (0 where Shift does not change the key). Letters give their
// small letter plain ('A' gives a, A), the sided modifiers (0xA0-0xA5) their
// left or right keysym, the plain Shift, Ctrl and Alt codes (0x10-0x12) the
// left one. plain is 0 for codes without a key (mouse buttons, unassigned).
struct VirtualKeySyms {
    uint32_t plain = 0;
    uint32_t shifted = 0;
    friend bool operator==(const VirtualKeySyms&, const VirtualKeySyms&) = default;
};
VirtualKeySyms keysymsForVirtualKey(uint8_t vk);

// The virtual-key code of the key with keysym as its plain or shifted symbol
// ('a' and 'A' give 'A', '!' gives '1'). A plain symbol wins over a shifted
// one ('<' gives 0xE2, not the comma key) and the lowest code over the others
// (Shift_L gives 0x10, not 0xA0). 0 when no key has it.
uint8_t virtualKeyWithKeysym(uint32_t keysym);

} // namespace clickwisp
