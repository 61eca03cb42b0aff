// The recorder's filters, its buffer's lifetime and the hand-over of events
// from the source's thread, on the fake source.
#include "platform/fake/fake_recorder.h"
#include "record/recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace clickwisp {
namespace {

EVENTMSG event(uint32_t message, uint32_t time)
{
    return EVENTMSG { message, time, time + 1, time, 0 };
}

std::vector<uint32_t> messages(const TEventList& events)
{
    std::vector<uint32_t> result;
    for (const auto& e : events)
        result.push_back(e.message);
    return result;
}

class RecorderTest : public ::testing::Test {
protected:
    void feedOneOfEach()
    {
        uint32_t time = 100;
        for (uint32_t message : std::initializer_list<uint32_t> { WM_MOUSEMOVE, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
                 WM_SYSKEYUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, 0x0312u })
            source.feed(event(message, time++));
    }

    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    FakeRecorder source { trace };
    Recorder recorder { source };
};

TEST_F(RecorderTest, RecordsEveryEventInOrderWithBothFiltersOn)
{
    ASSERT_TRUE(recorder.StartRecording(true, true));
    EXPECT_TRUE(recorder.Recording());
    feedOneOfEach();
    recorder.StopRecording();
    EXPECT_FALSE(recorder.Recording());
    EXPECT_EQ(messages(recorder.RecordedEvents()),
        (std::vector<uint32_t> { WM_MOUSEMOVE, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_LBUTTONDOWN,
            WM_LBUTTONUP, WM_MOUSEWHEEL, 0x0312u }));
    // Copies, unchanged.
    EXPECT_EQ(recorder.RecordedEvents()[5].paramL, 105u);
    EXPECT_EQ(recorder.RecordedEvents()[5].paramH, 106u);
    EXPECT_EQ(recorder.RecordedEvents()[5].time, 105u);
    EXPECT_EQ(trace->lines(), (std::vector<std::string> { "recorder start", "recorder stop" }));
}

TEST_F(RecorderTest, MouseMoveFilterDropsOnlyPointerMoves)
{
    ASSERT_TRUE(recorder.StartRecording(false, true));
    feedOneOfEach();
    recorder.StopRecording();
    EXPECT_EQ(messages(recorder.RecordedEvents()),
        (std::vector<uint32_t> {
            WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, 0x0312u }));
}

TEST_F(RecorderTest, KeystrokeFilterDropsPlainAndSystemKeys)
{
    ASSERT_TRUE(recorder.StartRecording(true, false));
    feedOneOfEach();
    recorder.StopRecording();
    EXPECT_EQ(messages(recorder.RecordedEvents()),
        (std::vector<uint32_t> { WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, 0x0312u }));
}

TEST_F(RecorderTest, FiltersHoldUntilTheNextStart)
{
    ASSERT_TRUE(recorder.StartRecording(false, false));
    EXPECT_FALSE(recorder.RecordMouseMove());
    EXPECT_FALSE(recorder.RecordKeystroke());
    feedOneOfEach();
    recorder.StopRecording();
    EXPECT_EQ(recorder.RecordedEvents().size(), 4u);

    ASSERT_TRUE(recorder.StartRecording(true, true));
    EXPECT_TRUE(recorder.RecordMouseMove());
    feedOneOfEach();
    recorder.StopRecording();
    EXPECT_EQ(recorder.RecordedEvents().size(), 9u);
}

TEST_F(RecorderTest, EventsAreKeptAfterStopAndDiscardedByTheNextStart)
{
    ASSERT_TRUE(recorder.StartRecording(true, true));
    source.feed(event(WM_LBUTTONDOWN, 1));
    recorder.StopRecording();
    // The source is stopped: nothing more arrives after the stop.
    EXPECT_FALSE(source.feed(event(WM_LBUTTONUP, 2)));
    recorder.drain();
    ASSERT_EQ(recorder.RecordedEvents().size(), 1u);

    ASSERT_TRUE(recorder.StartRecording(true, true));
    EXPECT_TRUE(recorder.RecordedEvents().empty());
    recorder.StopRecording();
    EXPECT_TRUE(recorder.RecordedEvents().empty());
}

TEST_F(RecorderTest, StopWhileIdleChangesNothing)
{
    recorder.StopRecording();
    EXPECT_FALSE(recorder.Recording());
    EXPECT_TRUE(trace->lines().empty());
}

TEST_F(RecorderTest, SourceThatCannotStartIsReportedAndLeavesRecorderIdle)
{
    source.failNextStart("the X server ':9' has no RECORD extension, so input cannot be recorded");
    auto started = recorder.StartRecording(true, true);
    ASSERT_FALSE(started);
    EXPECT_NE(started.error().message.find("RECORD"), std::string::npos);
    EXPECT_FALSE(recorder.Recording());
    EXPECT_FALSE(source.feed(event(WM_MOUSEMOVE, 1)));

    // The next attempt works again.
    ASSERT_TRUE(recorder.StartRecording(true, true));
    EXPECT_TRUE(recorder.Recording());
}

TEST_F(RecorderTest, QueuedEventsReachRecordingOnlyWhenDrained)
{
    std::atomic<int> notified = 0;
    recorder.setEventsQueued([&] { ++notified; });
    ASSERT_TRUE(recorder.StartRecording(true, true));
    source.feed(event(WM_MOUSEMOVE, 1));
    source.feed(event(WM_MOUSEMOVE, 2));
    // One wake-up for a queue that turned non-empty, not one per event.
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(recorder.RecordedEvents().empty());
    EXPECT_EQ(recorder.drain(), 2u);
    EXPECT_EQ(recorder.RecordedEvents().size(), 2u);
    source.feed(event(WM_MOUSEMOVE, 3));
    EXPECT_EQ(notified, 2);
    recorder.StopRecording();
    EXPECT_EQ(recorder.RecordedEvents().size(), 3u);
}

TEST_F(RecorderTest, BurstFromSourceThreadArrivesCompleteAndInOrder)
{
    constexpr uint32_t kEvents = 10000;
    ASSERT_TRUE(recorder.StartRecording(true, true));
    std::thread desktop([&] {
        for (uint32_t i = 0; i < kEvents; ++i)
            source.feed(event(i % 2 ? WM_KEYDOWN : WM_MOUSEMOVE, i));
    });
    // The owner drains while the source is still delivering.
    while (recorder.RecordedEvents().size() < kEvents / 2)
        recorder.drain();
    desktop.join();
    recorder.StopRecording();
    const TEventList& events = recorder.RecordedEvents();
    ASSERT_EQ(events.size(), kEvents);
    for (uint32_t i = 0; i < kEvents; ++i)
        ASSERT_EQ(events[i].time, i) << "event " << i;
}

} // namespace
} // namespace clickwisp
