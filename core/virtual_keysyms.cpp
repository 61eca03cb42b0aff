#include "core/virtual_keysyms.h"

namespace clickwisp {

namespace {

struct KeyEntry {
    uint8_t vk;
    uint32_t plain;
    uint32_t shifted;
};

// Codes outside the contiguous blocks, in ascending order. The keysyms of
// the printable Latin-1 characters are their character codes.
constexpr KeyEntry kKeys[] = {
    { 0x08, 0xff08, 0 }, // BackSpace
    { 0x09, 0xff09, 0xfe20 }, // Tab, ISO_Left_Tab
    { 0x0C, 0xff0b, 0 }, // Clear
    { 0x0D, 0xff0d, 0 }, // Return
    { 0x10, 0xffe1, 0 }, // Shift_L
    { 0x11, 0xffe3, 0 }, // Control_L
    { 0x12, 0xffe9, 0 }, // Alt_L
    { 0x13, 0xff13, 0 }, // Pause
    { 0x14, 0xffe5, 0 }, // Caps_Lock
    { 0x1B, 0xff1b, 0 }, // Escape
    { 0x20, ' ', 0 },
    { 0x21, 0xff55, 0 }, // Prior
    { 0x22, 0xff56, 0 }, // Next
    { 0x23, 0xff57, 0 }, // End
    { 0x24, 0xff50, 0 }, // Home
    { 0x25, 0xff51, 0 }, // Left
    { 0x26, 0xff52, 0 }, // Up
    { 0x27, 0xff53, 0 }, // Right
    { 0x28, 0xff54, 0 }, // Down
    { 0x29, 0xff60, 0 }, // Select
    { 0x2B, 0xff62, 0 }, // Execute
    { 0x2C, 0xff61, 0 }, // Print
    { 0x2D, 0xff63, 0 }, // Insert
    { 0x2E, 0xffff, 0 }, // Delete
    { 0x2F, 0xff6a, 0 }, // Help
    { 0x30, '0', ')' },
    { 0x31, '1', '!' },
    { 0x32, '2', '@' },
    { 0x33, '3', '#' },
    { 0x34, '4', '$' },
    { 0x35, '5', '%' },
    { 0x36, '6', '^' },
    { 0x37, '7', '&' },
    { 0x38, '8', '*' },
    { 0x39, '9', '(' },
    { 0x5B, 0xffeb, 0 }, // Super_L
    { 0x5C, 0xffec, 0 }, // Super_R
    { 0x5D, 0xff67, 0 }, // Menu
    { 0x5F, 0x1008ff2f, 0 }, // XF86Sleep
    { 0x6A, 0xffaa, 0 }, // KP_Multiply
    { 0x6B, 0xffab, 0 }, // KP_Add
    { 0x6C, 0xffac, 0 }, // KP_Separator
    { 0x6D, 0xffad, 0 }, // KP_Subtract
    { 0x6E, 0xffae, 0 }, // KP_Decimal
    { 0x6F, 0xffaf, 0 }, // KP_Divide
    { 0x90, 0xff7f, 0 }, // Num_Lock
    { 0x91, 0xff14, 0 }, // Scroll_Lock
    { 0xA0, 0xffe1, 0 }, // Shift_L
    { 0xA1, 0xffe2, 0 }, // Shift_R
    { 0xA2, 0xffe3, 0 }, // Control_L
    { 0xA3, 0xffe4, 0 }, // Control_R
    { 0xA4, 0xffe9, 0 }, // Alt_L
    { 0xA5, 0xffea, 0 }, // Alt_R
    { 0xA6, 0x1008ff26, 0 }, // XF86Back
    { 0xA7, 0x1008ff27, 0 }, // XF86Forward
    { 0xA8, 0x1008ff29, 0 }, // XF86Refresh
    { 0xA9, 0x1008ff28, 0 }, // XF86Stop
    { 0xAA, 0x1008ff1b, 0 }, // XF86Search
    { 0xAB, 0x1008ff30, 0 }, // XF86Favorites
    { 0xAC, 0x1008ff18, 0 }, // XF86HomePage
    { 0xAD, 0x1008ff12, 0 }, // XF86AudioMute
    { 0xAE, 0x1008ff11, 0 }, // XF86AudioLowerVolume
    { 0xAF, 0x1008ff13, 0 }, // XF86AudioRaiseVolume
    { 0xB0, 0x1008ff17, 0 }, // XF86AudioNext
    { 0xB1, 0x1008ff16, 0 }, // XF86AudioPrev
    { 0xB2, 0x1008ff15, 0 }, // XF86AudioStop
    { 0xB3, 0x1008ff14, 0 }, // XF86AudioPlay
    { 0xB4, 0x1008ff19, 0 }, // XF86Mail
    { 0xBA, ';', ':' },
    { 0xBB, '=', '+' },
    { 0xBC, ',', '<' },
    { 0xBD, '-', '_' },
    { 0xBE, '.', '>' },
    { 0xBF, '/', '?' },
    { 0xC0, '`', '~' },
    { 0xDB, '[', '{' },
    { 0xDC, '\\', '|' },
    { 0xDD, ']', '}' },
    { 0xDE, '\'', '"' },
    { 0xE2, '<', '>' },
};

// The contiguous blocks: letters (keysyms a-z plain, A-Z shifted), the
// numeric-pad digits (KP_0-KP_9) and F1-F24.
constexpr uint32_t kKeypad0 = 0xffb0;
constexpr uint32_t kF1 = 0xffbe;
constexpr int kFunctionKeys = 24;

} // namespace

VirtualKeySyms keysymsForVirtualKey(uint8_t vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return { uint32_t('a' + (vk - 'A')), uint32_t(vk) };
    if (vk >= 0x60 && vk <= 0x69)
        return { kKeypad0 + (vk - 0x60), 0 };
    if (vk >= 0x70 && vk < 0x70 + kFunctionKeys)
        return { kF1 + (vk - 0x70), 0 };
    for (const auto& key : kKeys) {
        if (key.vk == vk)
            return { key.plain, key.shifted };
    }
    return {};
}

uint8_t virtualKeyWithKeysym(uint32_t keysym)
{
    if (keysym >= 'a' && keysym <= 'z')
        return uint8_t('A' + (keysym - 'a'));
    if (keysym >= 'A' && keysym <= 'Z')
        return uint8_t(keysym);
    if (keysym >= kKeypad0 && keysym <= kKeypad0 + 9)
        return uint8_t(0x60 + (keysym - kKeypad0));
    if (keysym >= kF1 && keysym < kF1 + kFunctionKeys)
        return uint8_t(0x70 + (keysym - kF1));
    if (keysym == 0)
        return 0;
    for (const auto& key : kKeys) {
        if (key.plain == keysym)
            return key.vk;
    }
    for (const auto& key : kKeys) {
        if (key.shifted == keysym)
            return key.vk;
    }
    return 0;
}

} // namespace clickwisp
