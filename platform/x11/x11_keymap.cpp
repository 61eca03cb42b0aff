#include "platform/x11/x11_keymap.h"

#include "core/virtual_keysyms.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <type_traits>

namespace clickwisp {

static_assert(std::is_same_v<KeySym, KeySymCode>);

namespace {

struct KeyPair {
    uint8_t vk;
    KeySym keysym;
};

// Keysyms that only read back: other symbols of the same keys, which X
// servers report but which the shared table does not play.
constexpr KeyPair kReadOnly[] = {
    { 0x0D, XK_KP_Enter },
    { 0x0C, XK_KP_Begin },
    { 0x12, XK_Meta_L },
    { 0x12, XK_Meta_R },
    { 0x21, XK_KP_Prior },
    { 0x22, XK_KP_Next },
    { 0x23, XK_KP_End },
    { 0x24, XK_KP_Home },
    { 0x25, XK_KP_Left },
    { 0x26, XK_KP_Up },
    { 0x27, XK_KP_Right },
    { 0x28, XK_KP_Down },
    { 0x2D, XK_KP_Insert },
    { 0x2E, XK_KP_Delete },
    { 0x20, XK_KP_Space },
    { 0x09, XK_KP_Tab },
};

} // namespace

KeySym keysymForVirtualKey(uint8_t vk)
{
    return keysymsForVirtualKey(vk).plain;
}

uint8_t virtualKeyForKeysym(KeySym keysym)
{
    // The plain modifier codes win over the sided ones that share a keysym,
    // and both sides read as the plain code.
    switch (keysym) {
    case XK_Shift_L:
    case XK_Shift_R: return 0x10;
    case XK_Control_L:
    case XK_Control_R: return 0x11;
    case XK_Alt_L:
    case XK_Alt_R: return 0x12;
    default: break;
    }
    for (const auto& pair : kReadOnly) {
        if (pair.keysym == keysym)
            return pair.vk;
    }
    // Keysyms are 29-bit numbers; a wider value is none.
    return keysym <= UINT32_MAX ? virtualKeyWithKeysym(uint32_t(keysym)) : 0;
}

} // namespace clickwisp
