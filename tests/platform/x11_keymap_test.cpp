#include "core/key_names.h"
#include "platform/x11/x11_keymap.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace clickwisp {
namespace {

TEST(X11Keymap, EveryNamedKeyPlaysAndReadsBack)
{
    // Every code the key list names has a key, and recording that key gives
    // the code back, except the sided modifiers, read back as the plain ones.
    for (int vk = 0; vk < 256; ++vk) {
        const KeySymCode keysym = keysymForVirtualKey(uint8_t(vk));
        if (keysym == 0) {
            // Only codes without a key: mouse buttons, cancel, unassigned.
            EXPECT_TRUE(KeyName(vk).empty() || vk <= 4) << vk << " " << KeyName(vk);
            continue;
        }
        uint8_t back = virtualKeyForKeysym(keysym);
        if (vk >= 0xA0 && vk <= 0xA5)
            EXPECT_EQ(back, 0x10 + (vk - 0xA0) / 2) << vk;
        else
            EXPECT_EQ(back, vk) << vk;
    }
}

TEST(X11Keymap, RecordedSymbolsOfTheSameKey)
{
    EXPECT_EQ(virtualKeyForKeysym(XK_A), 'A');
    EXPECT_EQ(virtualKeyForKeysym(XK_exclam), '1');
    EXPECT_EQ(virtualKeyForKeysym(XK_parenright), '0');
    EXPECT_EQ(virtualKeyForKeysym(XK_colon), 0xBA);
    EXPECT_EQ(virtualKeyForKeysym(XK_question), 0xBF);
    EXPECT_EQ(virtualKeyForKeysym(XK_bar), 0xDC);
    EXPECT_EQ(virtualKeyForKeysym(XK_Shift_R), 0x10);
    EXPECT_EQ(virtualKeyForKeysym(XK_Control_R), 0x11);
    EXPECT_EQ(virtualKeyForKeysym(XK_Alt_R), 0x12);
    EXPECT_EQ(virtualKeyForKeysym(XK_KP_Enter), 0x0D);
    EXPECT_EQ(virtualKeyForKeysym(XK_KP_Home), 0x24);
    EXPECT_EQ(virtualKeyForKeysym(XK_ISO_Left_Tab), 0x09);
    EXPECT_EQ(virtualKeyForKeysym(XK_F24), 0x87);
    EXPECT_EQ(virtualKeyForKeysym(XK_F25), 0);
    EXPECT_EQ(virtualKeyForKeysym(0x01000101), 0); // a Unicode keysym
    EXPECT_EQ(virtualKeyForKeysym(0), 0);
}

} // namespace
} // namespace clickwisp
