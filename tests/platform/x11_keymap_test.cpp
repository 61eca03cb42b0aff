#include "platform/x11/x11_keymap.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace clickwisp {
namespace {

TEST(X11Keymap, EveryKeyReadsBackSidedModifiersAsThePlainCodes)
{
    for (int vk = 0; vk < 256; ++vk) {
        const KeySymCode keysym = keysymForVirtualKey(uint8_t(vk));
        if (keysym == 0)
            continue;
        const uint8_t back = virtualKeyForKeysym(keysym);
        if (vk >= 0xA0 && vk <= 0xA5)
            EXPECT_EQ(back, 0x10 + (vk - 0xA0) / 2) << vk;
        else
            EXPECT_EQ(back, vk) << vk;
    }
}

TEST(X11Keymap, SymbolsTheServerReportsAndTheSharedTableByItsXNames)
{
    // Other symbols of the same keys.
    EXPECT_EQ(virtualKeyForKeysym(XK_Shift_R), 0x10);
    EXPECT_EQ(virtualKeyForKeysym(XK_Control_R), 0x11);
    EXPECT_EQ(virtualKeyForKeysym(XK_Meta_R), 0x12);
    EXPECT_EQ(virtualKeyForKeysym(XK_KP_Enter), 0x0D);
    EXPECT_EQ(virtualKeyForKeysym(XK_KP_Home), 0x24);
    EXPECT_EQ(virtualKeyForKeysym(XK_KP_Begin), 0x0C);
    // The shared table's numbers are X's keysyms.
    EXPECT_EQ(keysymForVirtualKey(0x0D), KeySymCode(XK_Return));
    EXPECT_EQ(keysymForVirtualKey(0xA5), KeySymCode(XK_Alt_R));
    EXPECT_EQ(keysymForVirtualKey(0x5F), KeySymCode(XF86XK_Sleep));
    EXPECT_EQ(keysymForVirtualKey(0x63), KeySymCode(XK_KP_3));
    EXPECT_EQ(keysymForVirtualKey(0x75), KeySymCode(XK_F6));
    EXPECT_EQ(keysymForVirtualKey(0xC0), KeySymCode(XK_grave));
    EXPECT_EQ(virtualKeyForKeysym(XK_A), 'A');
    EXPECT_EQ(virtualKeyForKeysym(XK_exclam), '1');
    EXPECT_EQ(virtualKeyForKeysym(XK_ISO_Left_Tab), 0x09);
    EXPECT_EQ(virtualKeyForKeysym(XK_less), 0xE2);
    EXPECT_EQ(virtualKeyForKeysym(XK_greater), 0xBE);
    // No key: F25, a Unicode keysym, NoSymbol (0), a value wider than a keysym.
    EXPECT_EQ(virtualKeyForKeysym(XK_F25), 0);
    EXPECT_EQ(virtualKeyForKeysym(0x01000101), 0);
    EXPECT_EQ(virtualKeyForKeysym(0), 0);
    EXPECT_EQ(virtualKeyForKeysym((KeySymCode(1) << 32) | XK_Return), 0);
}

} // namespace
} // namespace clickwisp
