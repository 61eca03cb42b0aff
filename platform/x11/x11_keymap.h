#pragma once

#include <cstdint>

namespace clickwisp {

// Xlib's KeySym, spelled out so this header does not bring in X.h and its
// macros (None, Status, ...) to every file that includes it.
using KeySymCode = unsigned long;

// Windows virtual-key codes and X keysyms, both ways, for playback and for
// recording: the shared table of core/virtual_keysyms.h, plus the symbols
// only X servers report and the plain modifier codes for both sides.
// Punctuation keys (VK_OEM_*) carry their US-layout meaning.

// The keysym of the key a virtual-key code names: the unshifted symbol for
// letters and punctuation ('A' gives XK_a), the left or right keysym for the
// sided modifiers (0xA0-0xA5) and the left one for the plain Shift, Ctrl and
// Alt codes (0x10-0x12). NoSymbol for codes without a key (mouse buttons,
// unassigned codes).
KeySymCode keysymForVirtualKey(uint8_t vk);

// The virtual-key code of the key that produces keysym: letters of either
// case give their capital-letter code, shifted punctuation its US key
// ('!' gives '1', ':' gives VK_OEM_1), numeric-pad navigation the navigation
// key. Modifiers give the plain codes 0x10 (Shift), 0x11 (Ctrl) and 0x12
// (Alt) whatever their side, the codes that key names and recorded lists use.
// 0 when the keysym has no virtual-key code.
uint8_t virtualKeyForKeysym(KeySymCode keysym);

} // namespace clickwisp
