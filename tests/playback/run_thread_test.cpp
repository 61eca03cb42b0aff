#include "platform/fake/fake_waiter.h"
#include "playback/run_thread.h"
#include "tests/support/fake_desk.h"

#include <gmock/gmock.h>

#include <climits>

using clickwisp::test::MakeAction;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace clickwisp {
namespace {

// Writes each wait to the trace like the dry-run waiter, and requests the
// run's stop during wait number stopAt (as a user would during a delay).
class StoppingWaiter final : public Waiter {
public:
    StoppingWaiter(std::shared_ptr<FakeTrace> trace, int stopAt)
        : m_trace(std::move(trace))
        , m_stopAt(stopAt)
    {
    }
    void Wait(int64_t ms, StopRequest& stop) override
    {
        m_trace->add("Wait " + std::to_string(ms));
        if (++m_count == m_stopAt)
            stop.request();
    }

private:
    std::shared_ptr<FakeTrace> m_trace;
    int m_stopAt;
    int m_count = 0;
};

DesktopFactory FakeFactory(std::shared_ptr<FakeTrace> trace);

// Plays list on a fake desktop until the run ends; returns the trace and
// the one end notice.
struct Played {
    std::vector<std::string> lines;
    RunEnd end;
    int notices = 0;
};

Played Play(const ActionList& list, RunSettings settings, std::shared_ptr<Waiter> waiter = nullptr,
    std::shared_ptr<FakeTrace> trace = nullptr)
{
    if (!trace)
        trace = std::make_shared<FakeTrace>();
    if (!waiter)
        waiter = makeTraceWaiter(trace);
    Played played;
    TRunThread run(list, settings, FakeFactory(trace), waiter, [&](const RunEnd& end) {
        played.end = end;
        ++played.notices;
    });
    run.Start();
    run.Join();
    EXPECT_TRUE(run.Finished());
    EXPECT_EQ(played.end.runId, run.RunId());
    played.lines = trace->lines();
    return played;
}

DesktopFactory FakeFactory(std::shared_ptr<FakeTrace> trace)
{
    return [trace] {
        FakeOptions options;
        options.trace = trace;
        return makeFakePlatform(options);
    };
}

std::unique_ptr<TBaseCtrlEX> Move(int32_t x, int32_t y)
{
    auto move = MakeAction(atMove);
    move->mouseMovePosX = x;
    move->mouseMovePosY = y;
    return move;
}

ActionList OneMove()
{
    ActionList list;
    list.push_back(Move(1, 2));
    return list;
}

TEST(ScaleDelay, SpeedSteps)
{
    EXPECT_EQ(ScaleDelay(1000, 0), 1000);
    EXPECT_EQ(ScaleDelay(1000, 9), 100);
    EXPECT_EQ(ScaleDelay(1000, 2), 333);
    EXPECT_EQ(ScaleDelay(1000, 1), 500);
    EXPECT_EQ(ScaleDelay(1000, -1), 2000);
    EXPECT_EQ(ScaleDelay(1000, -9), 10000);
    EXPECT_EQ(ScaleDelay(-999, 2), -333); // rounds toward zero
    EXPECT_EQ(ScaleDelay(INT32_MAX, -9), int64_t(INT32_MAX) * 10); // no overflow
}

TEST(RunThread, RepeatModes)
{
    {
        Played p = Play(OneMove(), { 1, 3, 1000, 0, 0, false });
        EXPECT_THAT(
            p.lines, ElementsAre("SetCursorPos 1 2", "Wait 1000", "SetCursorPos 1 2", "Wait 1000", "SetCursorPos 1 2"));
        EXPECT_EQ(p.end.outcome, RunOutcome::Finished);
        EXPECT_EQ(p.notices, 1);
    }
    for (int32_t times : { 1, 0, -5, INT32_MIN }) {
        Played p = Play(OneMove(), { 1, times, 1000, 0 });
        EXPECT_THAT(p.lines, ElementsAre("SetCursorPos 1 2")) << "times " << times;
    }
    // Mode 0 ignores times and interval.
    EXPECT_THAT(Play(OneMove(), { 0, 5, 1000, 0, 0, false }).lines, ElementsAre("SetCursorPos 1 2"));
    // No pause when the interval is below 1.
    EXPECT_THAT(Play(OneMove(), { 1, 2, 0, 0, 0, false }).lines, ElementsAre("SetCursorPos 1 2", "SetCursorPos 1 2"));
}

TEST(RunThread, ForeverRunsUntilStopped)
{
    auto trace = std::make_shared<FakeTrace>();
    for (int32_t mode : { 2, 77 }) {
        trace->clear();
        Played p = Play(OneMove(), { mode, 0, 250, 5 }, std::make_shared<StoppingWaiter>(trace, 3), trace);
        // Stopped during the third interval: no pass follows it.
        EXPECT_THAT(p.lines,
            ElementsAre(
                "SetCursorPos 1 2", "Wait 250", "SetCursorPos 1 2", "Wait 250", "SetCursorPos 1 2", "Wait 250"));
        EXPECT_EQ(p.end.outcome, RunOutcome::Stopped);
    }
}

TEST(RunThread, EmptyListEndsAtOnce)
{
    Played p = Play({}, { 2, 0, 1000, 0, 0, false });
    EXPECT_THAT(p.lines, IsEmpty());
    EXPECT_EQ(p.end.outcome, RunOutcome::Finished);
    EXPECT_EQ(p.notices, 1);
}

// A colour click on the fake screen (black): clBlack is there, clRed is not.
std::unique_ptr<TBaseCtrlEX> ColourClick(const char* colour)
{
    auto click = MakeAction(atClick);
    click->mousePoint = cpColor;
    click->fColor = colour;
    return click;
}

TEST(RunThread, MissedTargetsAreReportedWaitedForAndEndStrictRuns)
{
    auto noPicture = MakeAction(atClick);
    noPicture->mousePoint = cpPicture;
    const auto makeList = [&] {
        ActionList list;
        list.push_back(ColourClick("clRed"));
        list.push_back(ColourClick("clBlack"));
        list.push_back(CopyAction(*noPicture));
        return list;
    };
    const auto list = makeList();
    const std::string capture = "CaptureScreen 0 0 1920 1080";
    const std::string down = "mouse_event 0x0002 0", up = "mouse_event 0x0004 0";

    // By default a miss does nothing, as ever; the end notice lists the misses once each.
    RunSettings twice { 1, 2, 0, 0, 0, false };
    Played plain = Play(list, twice);
    EXPECT_THAT(plain.lines,
        ElementsAre(capture, capture, "SetCursorPos 0 0", down, up, capture, capture, "SetCursorPos 0 0", down, up));
    EXPECT_EQ(plain.end.outcome, RunOutcome::Finished);
    ASSERT_EQ(plain.end.misses.size(), 2u);
    EXPECT_EQ(plain.end.misses[0].actionNumber, 1);
    EXPECT_EQ(plain.end.misses[0].describe(), "colour clRed not found (best 0 % at 0 0)");
    EXPECT_EQ(plain.end.misses[1].actionNumber, 3);
    EXPECT_EQ(plain.end.misses[1].describe(), "picture (none) not found (found at no similarity)");

    // Waiting searches again every 50 ms of the run's waiter until the time is used up.
    RunSettings waiting;
    waiting.targetWait = 120;
    Played waited = Play(list, waiting);
    EXPECT_THAT(waited.lines,
        ElementsAre(capture, "Wait 50", capture, "Wait 50", capture, "Wait 50", capture, capture, "SetCursorPos 0 0",
            down, up));
    EXPECT_EQ(waited.end.misses.size(), 2u);

    // Strict: the first miss ends the run, naming the action, the target and its best match.
    RunSettings strict;
    strict.strictTargets = true;
    Played failed = Play(list, strict);
    EXPECT_THAT(failed.lines, ElementsAre(capture));
    EXPECT_EQ(failed.end.outcome, RunOutcome::Failed);
    EXPECT_EQ(failed.end.message(), "Action 1: colour clRed not found (best 0 % at 0 0)");
}

TEST(RunThread, TextsTypedWithoutSomeCharactersAreReportedAndEndStrictRuns)
{
    auto text = MakeAction(atText);
    text->typeText = "a\xD0\xB6"
                     "b\xD0\xB6\xE2\x82\xAC"; // "ажbж€"
    ActionList list;
    list.push_back(Move(1, 2));
    list.push_back(CopyAction(*text));
    list.push_back(Move(3, 4));
    const auto play = [&](RunSettings settings) {
        auto trace = std::make_shared<FakeTrace>();
        Played played;
        TRunThread run(
            list, settings,
            [trace] {
                FakeOptions options;
                options.trace = trace;
                Platform platform = makeFakePlatform(options);
                platform.text = makeFakeText(trace, true, U"\u0436\u20ac");
                return Result<Platform>(std::move(platform));
            },
            makeTraceWaiter(trace), [&](const RunEnd& end) { played.end = end; });
        run.Start();
        run.Join();
        played.lines = trace->lines();
        return played;
    };

    // The rest of the text is typed, nothing in place of the missing ones, and the run goes on.
    RunSettings twice { 1, 2, 0, 0, 0, false };
    const Played plain = play(twice);
    EXPECT_EQ(plain.end.outcome, RunOutcome::Finished);
    EXPECT_EQ(std::count(plain.lines.begin(), plain.lines.end(), "SetCursorPos 3 4"), 2);
    EXPECT_EQ(std::count(plain.lines.begin(), plain.lines.end(), "WM_IME_CHAR 0x0062"), 2);
    ASSERT_EQ(plain.end.untyped.size(), 1u);
    EXPECT_EQ(plain.end.untyped[0].actionNumber, 2);
    EXPECT_EQ(
        plain.end.untyped[0].describe(), "could not type \"\u0436\u20ac\" (the keyboard layout has no key for them)");

    // Strict: the run ends at the text, naming it.
    RunSettings strict;
    strict.strictTargets = true;
    const Played failed = play(strict);
    EXPECT_EQ(failed.end.outcome, RunOutcome::Failed);
    EXPECT_EQ(
        failed.end.message(), "Action 2: could not type \"\u0436\u20ac\" (the keyboard layout has no key for them)");
    EXPECT_EQ(std::count(failed.lines.begin(), failed.lines.end(), "SetCursorPos 3 4"), 0);
}

TEST(RunThread, DesktopThatDoesNotOpenIsAFailure)
{
    Played played;
    TRunThread run(
        OneMove(), {}, []() -> Result<Platform> { return fail("cannot open X display ':99'"); }, makeSteadyWaiter(),
        [&](const RunEnd& end) { played.end = end; });
    run.Start();
    run.Join();
    EXPECT_EQ(played.end.outcome, RunOutcome::Failed);
    EXPECT_EQ(played.end.actionNumber, 0);
    EXPECT_EQ(played.end.message(), "cannot open X display ':99'");
}

TEST(RunThread, StopOrErrorReleasesWhatTheRunHeldDown)
{
    auto keyDown = MakeAction(atKey);
    keyDown->key = 0x10;
    keyDown->keyAction = kaDown;
    auto otherKey = MakeAction(atKey);
    otherKey->key = 0x41;
    otherKey->keyAction = kaDown;
    auto otherUp = MakeAction(atKey);
    otherUp->key = 0x41;
    otherUp->keyAction = kaUp;
    auto buttonDown = MakeAction(atClick);
    buttonDown->mouseAction = maButtonDown;
    buttonDown->mouseButton = abRight;
    ActionList list;
    list.push_back(std::move(keyDown));
    list.push_back(std::move(otherKey));
    list.push_back(std::move(otherUp));
    list.push_back(std::move(buttonDown));
    list.push_back(TBaseCtrlEX::CreateDelay(5000));
    const std::vector<std::string> pressed = { "keybd_event 0x10 0", "keybd_event 0x41 0", "keybd_event 0x41 2",
        "SetCursorPos 0 0", "mouse_event 0x0008 0", "Wait 5000" };

    // A normal end leaves input as the list left it.
    EXPECT_EQ(Play(list, {}).lines, pressed);

    // Stopped during the delay: the latest press is released first.
    auto trace = std::make_shared<FakeTrace>();
    Played stopped = Play(list, {}, std::make_shared<StoppingWaiter>(trace, 1), trace);
    auto expected = pressed;
    expected.push_back("mouse_event 0x0010 0");
    expected.push_back("keybd_event 0x10 2");
    EXPECT_EQ(stopped.lines, expected);
    EXPECT_EQ(stopped.end.outcome, RunOutcome::Stopped);

    // Ended by an error after the presses.
    auto bad = MakeAction(atClick);
    bad->mousePoint = cpColor;
    bad->fColor = "nonsense";
    list.back() = std::move(bad);
    Played failed = Play(list, {});
    expected.erase(expected.begin() + 5); // no wait in this list
    EXPECT_EQ(failed.lines, expected);
    EXPECT_EQ(failed.end.outcome, RunOutcome::Failed);
    EXPECT_EQ(failed.end.actionNumber, 5);
}

TEST(RunThread, PlaysCopiesMadeWhenCreated)
{
    auto list = OneMove();
    auto trace = std::make_shared<FakeTrace>();
    RunEnd end;
    TRunThread run(list, {}, FakeFactory(trace), makeTraceWaiter(trace), [&](const RunEnd& e) { end = e; });
    // Edits after creation do not reach the run.
    list[0]->mouseMovePosX = 99;
    list.push_back(Move(5, 5));
    ASSERT_EQ(run.Actions().size(), 1u);
    EXPECT_NE(run.Actions()[0].get(), list[0].get());
    run.Start();
    run.Join();
    EXPECT_THAT(trace->lines(), ElementsAre("SetCursorPos 1 2"));
}

TEST(RunThread, LifecycleCalls)
{
    auto trace = std::make_shared<FakeTrace>();
    int notices = 0;
    std::vector<uint64_t> ids;
    for (int i = 0; i < 2; ++i) {
        TRunThread run(OneMove(), {}, FakeFactory(trace), makeTraceWaiter(trace), [&](const RunEnd&) { ++notices; });
        EXPECT_FALSE(run.Finished());
        run.Start();
        run.Start(); // no second worker
        run.Join();
        run.Start(); // nor after the end
        run.Terminate(); // harmless after the end
        run.Join();
        EXPECT_TRUE(run.Terminated());
        ids.push_back(run.RunId());
    }
    EXPECT_EQ(notices, 2);
    EXPECT_THAT(trace->lines(), ElementsAre("SetCursorPos 1 2", "SetCursorPos 1 2"));
    EXPECT_NE(ids[0], ids[1]);

    // Destroyed without being started: nothing plays, no notice.
    {
        TRunThread idle(OneMove(), {}, FakeFactory(trace), makeTraceWaiter(trace), [&](const RunEnd&) { ++notices; });
    }
    EXPECT_EQ(notices, 2);
}

} // namespace
} // namespace clickwisp
