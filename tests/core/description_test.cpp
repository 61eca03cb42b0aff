// The texts of the list columns, key names and the keysyms of the keys.
#include "core/action.h"
#include "core/key_names.h"
#include "core/virtual_keysyms.h"

#include <gtest/gtest.h>

#include <map>

namespace clickwisp {
namespace {

std::unique_ptr<TBaseCtrlEX> click(uint8_t button, uint8_t kind, uint8_t point)
{
    auto action = TBaseCtrlEX::Create();
    action->mouseButton = button;
    action->mouseAction = kind;
    action->mousePoint = point;
    return action;
}

TEST(Describe, TypeColumnByActionType)
{
    const std::map<int, std::string> expected { { 0, "Mouse Click" }, { 1, "Mouse Move" }, { 2, "Keyboard" },
        { 3, "TypeText" }, { 4, "Delay" } };
    auto action = TBaseCtrlEX::Create();
    for (int type = 0; type < 256; ++type) {
        action->actionType = uint8_t(type);
        auto it = expected.find(type);
        EXPECT_EQ(action->Describe("Type"), it == expected.end() ? "unknown" : it->second) << type;
    }
    action->actionType = 7;
    EXPECT_EQ(action->Describe("Action"), "unknown");
}

TEST(Describe, ClickPiecesJoinInOrder)
{
    EXPECT_EQ(click(1, 1, 0)->Describe("Action"), "Right Button Double Click on mouse current point");
    EXPECT_EQ(click(2, 4, 3)->Describe("Action"), "Middle Button Button Wheel on the Picture");
    EXPECT_EQ(click(5, 0, 0)->Describe("Action"), "unknown Single Click on mouse current point");
    EXPECT_EQ(click(0, 9, 6)->Describe("Action"), "Left Button");
    EXPECT_EQ(click(0, 3, 9)->Describe("Action"), "Left Button Button Up");

    auto fixed = click(0, 2, cpFixed);
    fixed->mouseClickPosX = 120;
    fixed->mouseClickPosY = -4;
    EXPECT_EQ(fixed->Describe("Action"), "Left Button Button Down on fixed point:(120 : -4)");
}

TEST(Describe, ColourClickShowsTheStoredTextUnchanged)
{
    auto colour = click(0, 0, cpColor);
    for (const char* text : { "clBlack", "CLRED", "$00FF00AA", "12345", "no such colour", "" }) {
        colour->fColor = text;
        EXPECT_EQ(colour->Describe("Action"), std::string("Left Button Single Click on the Color: ") + text);
    }
}

TEST(Describe, MovesKeysTextsAndDelays)
{
    auto action = TBaseCtrlEX::Create();
    action->actionType = atMove;
    action->mouseMovePosX = -10;
    action->mouseMovePosY = 2147483647;
    EXPECT_EQ(action->Describe("Action"), "Mouse Move to (-10 : 2147483647)");

    action->actionType = atKey;
    action->key = 65;
    const char* keyActions[] = { "Key :(A) Down", "Key :(A) Up", "Key :(A) Press", "Key :(A)" };
    for (uint8_t ka = 0; ka < 4; ++ka) {
        action->keyAction = ka;
        EXPECT_EQ(action->Describe("Action"), keyActions[ka]);
    }
    action->key = 91; // no name
    action->keyAction = kaPress;
    EXPECT_EQ(action->Describe("Action"), "Key :() Press");

    action->actionType = atText;
    action->typeText = "";
    EXPECT_EQ(action->Describe("Action"), "TypeText:");
    action->typeText = " héllo <b> ";
    EXPECT_EQ(action->Describe("Action"), "TypeText: héllo <b> ");

    action->actionType = atDelay;
    action->delay = 1500;
    EXPECT_EQ(action->Describe("Action"), "Delay 1500 ms");
    action->delay = -3;
    EXPECT_EQ(action->Describe("Action"), "Delay -3 ms");
}

TEST(VirtualKeysyms, EveryNamedKeyHasSymbolsThatReadBackToIt)
{
    int keys = 0;
    for (int vk = 0; vk < 256; ++vk) {
        const VirtualKeySyms syms = keysymsForVirtualKey(uint8_t(vk));
        if (syms.plain == 0) {
            // Only codes without a key: mouse buttons, cancel, unassigned.
            EXPECT_TRUE(KeyName(vk).empty() || vk <= 4) << vk << " " << KeyName(vk);
            EXPECT_EQ(syms.shifted, 0u) << vk;
            continue;
        }
        ++keys;
        // The left sided modifiers share their keysym with the plain code.
        const bool leftModifier = vk == 0xA0 || vk == 0xA2 || vk == 0xA4;
        EXPECT_EQ(virtualKeyWithKeysym(syms.plain), leftModifier ? 0x10 + (vk - 0xA0) / 2 : vk) << vk;
        if (syms.shifted == 0)
            continue;
        EXPECT_NE(syms.shifted, syms.plain) << vk;
        // '<' and '>' are also the symbols of other keys, which win: 0xE2
        // has '<' plain, and the period key comes before 0xE2.
        const int owner = vk == 0xBC ? 0xE2 : vk == 0xE2 ? 0xBE : vk;
        EXPECT_EQ(virtualKeyWithKeysym(syms.shifted), owner) << vk;
    }
    EXPECT_EQ(keys, 26 + 10 + 24 + 80); // letters, keypad digits, F1-F24, the others
}

TEST(VirtualKeysyms, BlocksAndSymbolsOfSingleKeys)
{
    // Letters: small plain, capital with Shift; both read as the key.
    EXPECT_EQ(keysymsForVirtualKey('A'), (VirtualKeySyms { 'a', 'A' }));
    EXPECT_EQ(keysymsForVirtualKey('Z'), (VirtualKeySyms { 'z', 'Z' }));
    EXPECT_EQ(virtualKeyWithKeysym('q'), 'Q');
    EXPECT_EQ(virtualKeyWithKeysym('Q'), 'Q');
    EXPECT_EQ(keysymsForVirtualKey('1'), (VirtualKeySyms { '1', '!' }));
    EXPECT_EQ(keysymsForVirtualKey(0xDE), (VirtualKeySyms { '\'', '"' }));
    EXPECT_EQ(virtualKeyWithKeysym(':'), 0xBA);
    // KP_0, KP_9, F1, F24 and Tab with ISO_Left_Tab.
    EXPECT_EQ(keysymsForVirtualKey(0x60), (VirtualKeySyms { 0xffb0, 0 }));
    EXPECT_EQ(keysymsForVirtualKey(0x69), (VirtualKeySyms { 0xffb9, 0 }));
    EXPECT_EQ(keysymsForVirtualKey(0x70), (VirtualKeySyms { 0xffbe, 0 }));
    EXPECT_EQ(keysymsForVirtualKey(0x87), (VirtualKeySyms { 0xffd5, 0 }));
    EXPECT_EQ(keysymsForVirtualKey(0x88), VirtualKeySyms {});
    EXPECT_EQ(keysymsForVirtualKey(0x09), (VirtualKeySyms { 0xff09, 0xfe20 }));
    EXPECT_EQ(keysymsForVirtualKey(0x01), VirtualKeySyms {}); // the left mouse button
    // Shift_R is the right Shift key's; F25, a Unicode keysym and 0 are no key's.
    EXPECT_EQ(virtualKeyWithKeysym(0xffe2), 0xA1);
    EXPECT_EQ(virtualKeyWithKeysym(0xffd6), 0);
    EXPECT_EQ(virtualKeyWithKeysym(0x01000101), 0);
    EXPECT_EQ(virtualKeyWithKeysym(0), 0);
}

} // namespace
} // namespace clickwisp
