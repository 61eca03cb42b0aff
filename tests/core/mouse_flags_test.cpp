// Windows' mouse_event flags as the button changes and wheel steps of
// desktops that take those (Wayland, the desktop portal).
#include "core/mouse_flags.h"
#include "core/win_codes.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

TEST(MouseFlags, ButtonsGoLeftRightMiddleEachPressBeforeItsRelease)
{
    using enum MouseButtonId;
    EXPECT_EQ(MouseButtonChanges(MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MIDDLEDOWN),
        (std::vector<MouseButtonChange> { { Left, true }, { Right, false }, { Middle, true } }));
    EXPECT_EQ(MouseButtonChanges(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP),
        (std::vector<MouseButtonChange> { { Left, true }, { Left, false } }));
    EXPECT_TRUE(MouseButtonChanges(MOUSEEVENTF_WHEEL).empty());
}

TEST(MouseFlags, WheelTurnsBecomeStepsTowardTheUserPositive)
{
    // The list's wheel action turns -30: a quarter notch toward the user, one step.
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_WHEEL, -30), 1);
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_WHEEL, 30), -1);
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_WHEEL, -240), 2);
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_WHEEL, 360), -3);
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_WHEEL, 0), 0);
    EXPECT_EQ(WheelSteps(MOUSEEVENTF_LEFTDOWN, -120), 0);
}

} // namespace
} // namespace clickwisp
