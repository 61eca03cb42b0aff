// Input and text through KWin's fake input on the French layout, as wev
// receives them.
#include "platform/wayland/kwin_platform.h"
#include "tests/kwin/kwin_session.h"
#include "tests/support/wev.h"

#include <gtest/gtest.h>

#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

TEST(KwinInput, PointerButtonsAndWheelReachAWindow)
{
    REQUIRE_KWIN();
    auto wev = test::startWev();
    auto input = makeKwinInput();
    ASSERT_TRUE(input.has_value()) << input.error().message;
    InputInjector& in = **input;

    test::playPointerSteps(in);
    // Off the layout: clamped to its last pixel.
    in.SetCursorPos(5000, -20);
    EXPECT_EQ(in.GetCursorPos(), (ScreenPoint { 1279, 0 }));

    ASSERT_TRUE(wev->waitForStdout("axis", 10s)) << wev->out();
    std::this_thread::sleep_for(200ms);
    test::expectPointerSteps(test::WevLog(wev->out())); // the window is at (0, 0)
}

// Key actions press the keys of the French layout; text is typed exactly,
// Shift held by a key action let go for it; a character no key of the
// layout types is left out, not replaced.
TEST(KwinInput, KeysAndTextOnTheFrenchLayout)
{
    REQUIRE_KWIN();
    auto wev = test::startWev();
    auto playback = openKwinPlayback();
    ASSERT_TRUE(playback.has_value()) << playback.error().message;
    InputInjector& in = *playback->input;
    TextTarget& text = *playback->text;

    in.keybd_event(0x11, 0); // Ctrl
    in.keybd_event('C', 0);
    in.keybd_event('C', KEYEVENTF_KEYUP);
    in.keybd_event(0x11, KEYEVENTF_KEYUP);
    in.keybd_event('Q', 0);
    in.keybd_event('Q', KEYEVENTF_KEYUP);
    in.keybd_event('1', 0); // the key right of ², "&" unshifted on AZERTY
    in.keybd_event('1', KEYEVENTF_KEYUP);
    in.keybd_event(0x10, 0); // Shift, held across the text
    for (char32_t ch : std::u32string(U"Qaéж"))
        text.sendChar(ch);
    text.sendEnter();
    EXPECT_EQ(text.untypedCharacters(), U"ж");
    in.keybd_event('Z', 0);
    in.keybd_event('Z', KEYEVENTF_KEYUP);
    in.keybd_event(0x10, KEYEVENTF_KEYUP);

    ASSERT_TRUE(wev->waitForStdout("sym: Z", 10s)) << wev->out();
    const test::WevLog log(wev->out());
    EXPECT_EQ(log.keys,
        (std::vector<std::string> {
            "Control_L", "c", "q", "ampersand", "Shift_L", "Shift_L", "Q", "a", "eacute", "Return", "Shift_L", "Z" }));
    EXPECT_EQ(log.typed.substr(log.typed.size() - 6), "Qaé\rZ") << log.typed;
    EXPECT_NE(wev->out().find("depressed: 00000004"), std::string::npos); // Control held for the c
}

} // namespace
} // namespace clickwisp
