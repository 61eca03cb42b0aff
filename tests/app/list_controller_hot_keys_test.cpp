// The list controller's global hot keys: registration, dispatch on the
// user-interface thread, options.
#include "tests/app/controller_fixture.h"

namespace clickwisp {
namespace {

using test::ControllerTest;
using test::delayAction;

TEST_F(ControllerTest, HotKeysRegisterAtStartAndDispatchOnTheUiThread)
{
    make();
    EXPECT_EQ(hotKeys->registered().size(), 4u);
    EXPECT_TRUE(hotKeys->registered().count({ MOD_ALT, 0x71 }));
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x72 }));

    ctrl->AddAction(delayAction(1));
    ASSERT_TRUE(hotKeys->press(MOD_CONTROL, 0x71)); // CTRL+F2
    EXPECT_FALSE(ctrl->Running()) << "nothing happens off the UI thread";
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }));
    EXPECT_TRUE(traceHas("waitForRelease CTRL+F2 2000")) << "a hot-key run waits for the keys to be let go";

    ASSERT_TRUE(hotKeys->press(MOD_ALT, 0x72)); // ALT+F3 toggles while idle
    ASSERT_TRUE(ui.runUntil([&] { return ctrl->Recording(); }));
    EXPECT_EQ(view.status[0], "Recoding...");
}

TEST_F(ControllerTest, OptionsOkRegistersTheNewKeysAndCancelKeepsTheOld)
{
    make();
    view.optionsAnswer = false;
    ctrl->GetConfig().GetRunning().setStart(6);
    ctrl->ShowOptions();
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x71 }));

    view.optionsAnswer = true;
    ctrl->ShowOptions();
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x76 })); // F7
    EXPECT_FALSE(hotKeys->registered().count({ MOD_CONTROL, 0x71 }));
    EXPECT_FALSE(hotKeys->press(MOD_CONTROL, 0x71));
}

TEST_F(ControllerTest, AKeyUsedByAnotherProgramIsShownWithoutABoxAtStart)
{
    // The desktop takes ALT+F2 for its run dialog: every start says so
    // quietly; a box only when the user confirms options and a key fails.
    hotKeys->holdElsewhere(MOD_ALT, 0x71);
    make();
    EXPECT_TRUE(view.messages.empty()) << view.messages[0];
    EXPECT_EQ(view.status[1], "Hot key ALT+F2 is used by another program");
    EXPECT_EQ(view.trayNote, "Hot key ALT+F2 is used by another program");
    EXPECT_EQ(hotKeys->registered().size(), 3u);
    // The status bar's last panel says how the keys are bound, and that one
    // is missing; pointing at it tells which and why.
    EXPECT_EQ(view.status[2], "Hot keys: grabbed through the fake desktop; some keys were refused");
    EXPECT_EQ(view.statusTip[2], "Hot key ALT+F2 is used by another program");

    ctrl->ShowOptions();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Hot key ALT+F2 is used by another program");

    // Keys that all register clear the notes.
    ctrl->GetConfig().GetShade().setStart(4);
    ctrl->ShowOptions();
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.status[1], "");
    EXPECT_EQ(view.trayNote, "");
    EXPECT_EQ(hotKeys->registered().size(), 4u);
    EXPECT_EQ(view.status[2], "Hot keys: grabbed through the fake desktop");
    EXPECT_EQ(view.statusTip[2], "");
}

} // namespace
} // namespace clickwisp
