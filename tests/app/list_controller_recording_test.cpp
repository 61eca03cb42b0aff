// The list controller recording into the list: the toggle, filters, the hot
// key's own presses, shutdown.
#include "tests/app/controller_fixture.h"

#include <atomic>
#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using test::ControllerTest;
using test::delayAction;
using test::event;

TEST_F(ControllerTest, RecordToggleRecordsAndReplacesTheListAtTheStop)
{
    make();
    fill(2);
    ctrl->btnShadeClick();
    EXPECT_TRUE(ctrl->Recording());
    EXPECT_TRUE(view.recordingShown);
    EXPECT_EQ(view.status[0], "Recoding...");
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press ALT+F3 to Stop Record Mouse Action");
    EXPECT_EQ(ctrl->Count(), 2) << "nothing changes before the stop";

    ASSERT_TRUE(recorder->feed(event(WM_LBUTTONDOWN, 5, 6, 100)));
    ASSERT_TRUE(recorder->feed(event(WM_LBUTTONUP, 5, 6, 180)));
    ASSERT_TRUE(recorder->feed(event(WM_MOUSEMOVE, 7, 8, 200)));
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_FALSE(view.recordingShown);
    EXPECT_EQ(view.status[0], "Ready");
    ASSERT_EQ(ctrl->Count(), 5);
    EXPECT_EQ(ctrl->Action(1).delay, 80);
    EXPECT_EQ(ctrl->Action(4).actionType, atMove);
}

TEST_F(ControllerTest, RecordingHonoursFiltersAndDropsOnlyTheStopKeysPresses)
{
    make();
    ctrl->GetConfig().GetShade().setMousemove(false);
    ctrl->WMHotKey(MOD_ALT, 0x71); // ALT+F2 starts
    ASSERT_TRUE(ctrl->Recording());
    recorder->feed(event(WM_SYSKEYUP, 0x71, 0, 10)); // releases of the start key
    recorder->feed(event(WM_KEYUP, 0x12, 0, 11));
    recorder->feed(event(WM_MOUSEMOVE, 1, 1, 20));
    recorder->feed(event(WM_KEYDOWN, 0x41, 0, 30));
    recorder->feed(event(WM_KEYUP, 0x41, 0, 40));
    recorder->feed(event(WM_SYSKEYDOWN, 0x12, 0, 50)); // ALT+F3 stops
    recorder->feed(event(WM_SYSKEYDOWN, 0x72, 0, 60));
    ctrl->WMHotKey(MOD_ALT, 0x72);
    ASSERT_FALSE(ctrl->Recording());
    // The start key's releases are the user's input and stay; only the stop
    // key's presses go (replaying them would leave ALT held).
    ASSERT_EQ(ctrl->Count(), 7) << "F2 up, ALT up, A down, A up with delays between: no moves, no stop key";
    EXPECT_EQ(ctrl->Action(0).key, 0x71);
    EXPECT_EQ(ctrl->Action(0).keyAction, kaUp);
    EXPECT_EQ(ctrl->Action(2).key, 0x12);
    EXPECT_EQ(ctrl->Action(2).keyAction, kaUp);
    EXPECT_EQ(ctrl->Action(4).key, 0x41);
    EXPECT_EQ(ctrl->Action(4).keyAction, kaDown);
    EXPECT_EQ(ctrl->Action(5).delay, 10);
    EXPECT_EQ(ctrl->Action(6).keyAction, kaUp);
}

TEST_F(ControllerTest, ClosingWhileTheRecorderDeliversIsClean)
{
    // The desktop keeps delivering events on its own thread while the
    // controller is destroyed (run under ThreadSanitizer in CI). The flag is
    // relaxed so the test itself orders nothing between the two threads.
    make();
    ctrl->btnShadeClick();
    ASSERT_TRUE(ctrl->Recording());
    std::atomic<int> delivered { 0 };
    std::thread desktop([&] {
        for (uint32_t t = 0; recorder->feed(event(WM_KEYDOWN, 0x41, 0, t)); ++t)
            delivered.fetch_add(1, std::memory_order_relaxed);
    });
    while (delivered.load(std::memory_order_relaxed) < 3)
        std::this_thread::yield();
    ctrl.reset();
    desktop.join();
    EXPECT_FALSE(recorder->started()) << "the recorder stopped with the controller";
    EXPECT_GE(delivered.load(), 3);
}

TEST_F(ControllerTest, RecordingDoesNothingDuringARunAndReportsAFailedStart)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press CTRL+F3 to Stop Running Action List");
    ctrl->Stop();
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s));

    recorder->failNextStart("no RECORD extension on :9");
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_FALSE(view.recordingShown);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("no RECORD extension"), std::string::npos);
}

TEST_F(ControllerTest, ShutdownStopsARecordingIntoTheListAndWritesTheSettings)
{
    make();
    ctrl->btnShadeClick();
    recorder->feed(event(WM_RBUTTONDOWN, 3, 4, 10));
    ctrl->GetConfig().GetRunning().setSpeed(5);
    ctrl->Shutdown();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_EQ(ctrl->Count(), 1);
    EXPECT_TRUE(hotKeys->registered().empty());
    EXPECT_NE(test::readFile(dir / "config.xml").find("speed=\"5\""), std::string::npos);
}

} // namespace
} // namespace clickwisp
