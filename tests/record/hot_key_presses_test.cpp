// Cutting the stop hot key's own key presses from the end of a recording.
#include "platform/hot_key_source.h"
#include "record/hot_key_presses.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

constexpr uint32_t VK_MENU = 0x12, VK_CONTROL = 0x11, VK_F3 = 0x72;

EVENTMSG key(uint32_t message, uint32_t vk)
{
    return EVENTMSG { message, vk, 1, 0, 0 };
}
EVENTMSG move(uint32_t x)
{
    return EVENTMSG { WM_MOUSEMOVE, x, 0, 0, 0 };
}

std::vector<std::pair<uint32_t, uint32_t>> summary(const TEventList& events)
{
    std::vector<std::pair<uint32_t, uint32_t>> result;
    for (const auto& e : events)
        result.emplace_back(e.message, e.paramL);
    return result;
}

TEST(DropHotKeyPresses, CutsModifierAndKeyWithTheirReleases)
{
    TEventList events { key(WM_KEYDOWN, 'A'), key(WM_KEYUP, 'A'), key(WM_SYSKEYDOWN, VK_MENU),
        key(WM_SYSKEYDOWN, VK_F3), key(WM_SYSKEYUP, VK_F3), key(WM_SYSKEYUP, VK_MENU) };
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), summary({ key(WM_KEYDOWN, 'A'), key(WM_KEYUP, 'A') }));
}

TEST(DropHotKeyPresses, KeepsPointerMovesMadeWhileHoldingTheModifier)
{
    TEventList events { move(1), key(WM_SYSKEYDOWN, VK_MENU), key(WM_SYSKEYDOWN, VK_MENU), move(2),
        key(WM_SYSKEYDOWN, VK_F3), move(3) };
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), summary({ move(1), move(2) }));
}

TEST(DropHotKeyPresses, OnlyTheLastPressIsTheHotKey)
{
    TEventList events { key(WM_KEYDOWN, VK_F3), key(WM_KEYUP, VK_F3), key(WM_LBUTTONDOWN, 0),
        key(WM_SYSKEYDOWN, VK_MENU), key(WM_SYSKEYDOWN, VK_F3) };
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), summary({ key(WM_KEYDOWN, VK_F3), key(WM_KEYUP, VK_F3), key(WM_LBUTTONDOWN, 0) }));
}

TEST(DropHotKeyPresses, ModifierHeldForOtherInputStays)
{
    // ALT went down for an ALT+click: that press belongs to the click.
    TEventList events { key(WM_SYSKEYDOWN, VK_MENU), key(WM_LBUTTONDOWN, 0), key(WM_SYSKEYDOWN, VK_F3) };
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), summary({ key(WM_SYSKEYDOWN, VK_MENU), key(WM_LBUTTONDOWN, 0) }));
}

TEST(DropHotKeyPresses, OtherModifiersAreNotTakenForTheHotKeys)
{
    TEventList events { key(WM_KEYDOWN, VK_CONTROL), key(WM_SYSKEYDOWN, 0xA4 /* left ALT */),
        key(WM_SYSKEYDOWN, VK_F3) };
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), summary({ key(WM_KEYDOWN, VK_CONTROL) }));
}

TEST(DropHotKeyPresses, RecordingWithoutTheKeyIsUnchanged)
{
    TEventList events { move(1), key(WM_SYSKEYDOWN, VK_MENU), key(WM_SYSKEYUP, VK_MENU) };
    const auto before = summary(events);
    DropHotKeyPresses(events, MOD_ALT, VK_F3);
    EXPECT_EQ(summary(events), before);
    TEventList empty;
    DropHotKeyPresses(empty, MOD_ALT, VK_F3);
    EXPECT_TRUE(empty.empty());
}

} // namespace
} // namespace clickwisp
