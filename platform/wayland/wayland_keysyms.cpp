#include "platform/wayland/wayland_keysyms.h"

#include <xkbcommon/xkbcommon.h>

namespace clickwisp {

namespace {

struct KeyEntry {
    uint8_t vk;
    uint32_t plain;
    uint32_t shifted;
};

// Codes outside the contiguous blocks.
constexpr KeyEntry kKeys[] = {
    { 0x08, XKB_KEY_BackSpace, 0 },
    { 0x09, XKB_KEY_Tab, XKB_KEY_ISO_Left_Tab },
    { 0x0C, XKB_KEY_Clear, 0 },
    { 0x0D, XKB_KEY_Return, 0 },
    { 0x10, XKB_KEY_Shift_L, 0 },
    { 0x11, XKB_KEY_Control_L, 0 },
    { 0x12, XKB_KEY_Alt_L, 0 },
    { 0x13, XKB_KEY_Pause, 0 },
    { 0x14, XKB_KEY_Caps_Lock, 0 },
    { 0x1B, XKB_KEY_Escape, 0 },
    { 0x20, XKB_KEY_space, 0 },
    { 0x21, XKB_KEY_Prior, 0 },
    { 0x22, XKB_KEY_Next, 0 },
    { 0x23, XKB_KEY_End, 0 },
    { 0x24, XKB_KEY_Home, 0 },
    { 0x25, XKB_KEY_Left, 0 },
    { 0x26, XKB_KEY_Up, 0 },
    { 0x27, XKB_KEY_Right, 0 },
    { 0x28, XKB_KEY_Down, 0 },
    { 0x29, XKB_KEY_Select, 0 },
    { 0x2B, XKB_KEY_Execute, 0 },
    { 0x2C, XKB_KEY_Print, 0 },
    { 0x2D, XKB_KEY_Insert, 0 },
    { 0x2E, XKB_KEY_Delete, 0 },
    { 0x2F, XKB_KEY_Help, 0 },
    { 0x30, XKB_KEY_0, XKB_KEY_parenright },
    { 0x31, XKB_KEY_1, XKB_KEY_exclam },
    { 0x32, XKB_KEY_2, XKB_KEY_at },
    { 0x33, XKB_KEY_3, XKB_KEY_numbersign },
    { 0x34, XKB_KEY_4, XKB_KEY_dollar },
    { 0x35, XKB_KEY_5, XKB_KEY_percent },
    { 0x36, XKB_KEY_6, XKB_KEY_asciicircum },
    { 0x37, XKB_KEY_7, XKB_KEY_ampersand },
    { 0x38, XKB_KEY_8, XKB_KEY_asterisk },
    { 0x39, XKB_KEY_9, XKB_KEY_parenleft },
    { 0x5B, XKB_KEY_Super_L, 0 },
    { 0x5C, XKB_KEY_Super_R, 0 },
    { 0x5D, XKB_KEY_Menu, 0 },
    { 0x5F, XKB_KEY_XF86Sleep, 0 },
    { 0x6A, XKB_KEY_KP_Multiply, 0 },
    { 0x6B, XKB_KEY_KP_Add, 0 },
    { 0x6C, XKB_KEY_KP_Separator, 0 },
    { 0x6D, XKB_KEY_KP_Subtract, 0 },
    { 0x6E, XKB_KEY_KP_Decimal, 0 },
    { 0x6F, XKB_KEY_KP_Divide, 0 },
    { 0x90, XKB_KEY_Num_Lock, 0 },
    { 0x91, XKB_KEY_Scroll_Lock, 0 },
    { 0xA0, XKB_KEY_Shift_L, 0 },
    { 0xA1, XKB_KEY_Shift_R, 0 },
    { 0xA2, XKB_KEY_Control_L, 0 },
    { 0xA3, XKB_KEY_Control_R, 0 },
    { 0xA4, XKB_KEY_Alt_L, 0 },
    { 0xA5, XKB_KEY_Alt_R, 0 },
    { 0xA6, XKB_KEY_XF86Back, 0 },
    { 0xA7, XKB_KEY_XF86Forward, 0 },
    { 0xA8, XKB_KEY_XF86Refresh, 0 },
    { 0xA9, XKB_KEY_XF86Stop, 0 },
    { 0xAA, XKB_KEY_XF86Search, 0 },
    { 0xAB, XKB_KEY_XF86Favorites, 0 },
    { 0xAC, XKB_KEY_XF86HomePage, 0 },
    { 0xAD, XKB_KEY_XF86AudioMute, 0 },
    { 0xAE, XKB_KEY_XF86AudioLowerVolume, 0 },
    { 0xAF, XKB_KEY_XF86AudioRaiseVolume, 0 },
    { 0xB0, XKB_KEY_XF86AudioNext, 0 },
    { 0xB1, XKB_KEY_XF86AudioPrev, 0 },
    { 0xB2, XKB_KEY_XF86AudioStop, 0 },
    { 0xB3, XKB_KEY_XF86AudioPlay, 0 },
    { 0xB4, XKB_KEY_XF86Mail, 0 },
    { 0xBA, XKB_KEY_semicolon, XKB_KEY_colon },
    { 0xBB, XKB_KEY_equal, XKB_KEY_plus },
    { 0xBC, XKB_KEY_comma, XKB_KEY_less },
    { 0xBD, XKB_KEY_minus, XKB_KEY_underscore },
    { 0xBE, XKB_KEY_period, XKB_KEY_greater },
    { 0xBF, XKB_KEY_slash, XKB_KEY_question },
    { 0xC0, XKB_KEY_grave, XKB_KEY_asciitilde },
    { 0xDB, XKB_KEY_bracketleft, XKB_KEY_braceleft },
    { 0xDC, XKB_KEY_backslash, XKB_KEY_bar },
    { 0xDD, XKB_KEY_bracketright, XKB_KEY_braceright },
    { 0xDE, XKB_KEY_apostrophe, XKB_KEY_quotedbl },
    { 0xE2, XKB_KEY_less, XKB_KEY_greater },
};

} // namespace

VirtualKeySyms keysymsForVirtualKey(uint8_t vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return { uint32_t(XKB_KEY_a + (vk - 'A')), uint32_t(XKB_KEY_A + (vk - 'A')) };
    if (vk >= 0x60 && vk <= 0x69)
        return { uint32_t(XKB_KEY_KP_0 + (vk - 0x60)), 0 };
    if (vk >= 0x70 && vk <= 0x87)
        return { uint32_t(XKB_KEY_F1 + (vk - 0x70)), 0 };
    for (const auto& key : kKeys) {
        if (key.vk == vk)
            return { key.plain, key.shifted };
    }
    return {};
}

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
