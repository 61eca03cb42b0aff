// The list controller running the list: texts, controls, the window and the
// end notice.
#include "app/run_report.h"
#include "tests/app/controller_fixture.h"

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using test::ControllerTest;
using test::delayAction;

TEST_F(ControllerTest, RunAndItsEndSetTextsControlsAndWindow)
{
    make();
    ctrl->Select(-1);
    ctrl->AddAction(delayAction(40));
    ctrl->Run();
    EXPECT_TRUE(ctrl->Running());
    EXPECT_EQ(view.status[0], "Running...");
    EXPECT_EQ(view.status[1], "Press CTRL+F3 to Stop Running Action List");
    EXPECT_FALSE(view.editingEnabled);
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press CTRL+F3 to Stop Running Action List");

    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    EXPECT_EQ(view.status[1], "Press CTRL+F2 to Run Action List");
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.raised, 1);
    EXPECT_TRUE(traceHas("Wait 40"));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ctrl->HintFor("Quit"), "Quit");
}

TEST_F(ControllerTest, RunWhileRunningStartsNoSecondWorkerAndStopLeavesStatusToTheNotice)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->Run();
    ctrl->Stop();
    EXPECT_FALSE(ctrl->Running());
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.status[0], "Running...") << "Stop leaves the texts to the end notice";

    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s)) << "the stop wakes a long wait";
    EXPECT_EQ(view.raised, 1) << "one worker, one notice";
    EXPECT_FALSE(ui.runUntil([&] { return view.raised > 1; }, 200ms));

    ctrl->Stop(); // after the end: only re-enables
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.status[0], "Finished");
}

TEST_F(ControllerTest, LateNoticeOfAStoppedRunDoesNotEndANewerRun)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->Stop();
    ctrl->Run(); // started before the first run's notice was handled
    ASSERT_TRUE(ctrl->Running());
    ASSERT_FALSE(ui.runUntil([&] { return !ctrl->Running(); }, 300ms));
    EXPECT_TRUE(ctrl->Running());
    EXPECT_EQ(view.status[0], "Running...");
    EXPECT_FALSE(view.editingEnabled);

    ctrl->Stop();
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s));
    EXPECT_TRUE(view.editingEnabled);
}

TEST_F(ControllerTest, RunEndedByAnErrorFinishesAndNamesTheAction)
{
    make();
    ctrl->AddAction(delayAction(5));
    auto click = TBaseCtrlEX::Create();
    click->mousePoint = cpColor;
    click->fColor = "notAColour";
    ctrl->Select(-1);
    ctrl->AddAction(std::move(click));
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("Action 2"), std::string::npos) << view.messages[0];
}

TEST_F(ControllerTest, RunEndTellsTheClicksThatFoundNoTargetInTheStatusBar)
{
    make(); // a black fake screen
    const auto colourClick = [&](const char* colour) {
        auto click = TBaseCtrlEX::Create();
        click->mousePoint = cpColor;
        click->fColor = colour;
        click->fColorSimplar = 50;
        ctrl->Select(-1);
        ctrl->AddAction(std::move(click));
    };
    colourClick("$00000070"); // red 112: found at 50 %
    colourClick("$000000A0"); // red 160: best 37 % ((100 - 37) * 255 / 100 = 160)
    colourClick("clWhite");
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    EXPECT_EQ(view.status[1], "2 clicks found no target \u2014 action 2: best 37 %");
    EXPECT_EQ(view.statusTip[1],
        "Action 2: colour $000000A0 not found (best 37 % at 0 0)\n"
        "Action 3: colour clWhite not found (best 0 % at 0 0)");
    EXPECT_TRUE(view.messages.empty()) << "no dialog";

    // A run that finds every target shows the hint again, without a tip.
    ctrl->Select(1);
    ctrl->DeleteAction();
    ctrl->Select(1);
    ctrl->DeleteAction();
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[1], "Press CTRL+F2 to Run Action List");
    EXPECT_EQ(view.statusTip[1], "");
}

TEST(RunReport, OneMissAndATargetFoundAtNoSimilarity)
{
    TargetMiss miss { 4, "picture 30 x 20", BestMatch {} };
    const RunReport report = MakeRunReport({ miss });
    EXPECT_EQ(report.headline, "1 click found no target \u2014 action 4: no match at any similarity");
    EXPECT_EQ(report.details, "Action 4: picture 30 x 20 not found (found at no similarity)");
    EXPECT_EQ(MakeRunReport({}).headline, "");
}

TEST(RunReport, TextsNotTypedWholeJoinTheMissesInListOrder)
{
    const TargetMiss miss { 7, "colour clRed", BestMatch {} };
    const UntypedText text { 4, U"\u0436" };
    const RunReport report = MakeRunReport({ miss }, { text });
    EXPECT_EQ(report.headline,
        "1 click found no target \u2014 action 7: no match at any similarity; 1 text was not typed whole \u2014 "
        "action 4: could not type \"\u0436\" (the keyboard layout has no key for it)");
    EXPECT_EQ(report.details,
        "Action 4: could not type \"\u0436\" (the keyboard layout has no key for it)\n"
        "Action 7: colour clRed not found (found at no similarity)");
    EXPECT_EQ(MakeRunReport({}, { text }).headline,
        "1 text was not typed whole \u2014 action 4: could not type \"\u0436\" (the keyboard layout has no key for "
        "it)");
}

} // namespace
} // namespace clickwisp
