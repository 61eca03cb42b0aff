// Turning a recording into actions: one action per event with the time
// between events as delay actions.
#include "record/load_recording.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

EVENTMSG event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time)
{
    return EVENTMSG { message, paramL, paramH, time, 0 };
}

TEST(LoadRecording, EmptyRecordingGivesEmptyList)
{
    EXPECT_TRUE(LoadRecording({}).empty());
}

TEST(LoadRecording, ThreeEventsGiveEventDelayEventDelayEvent)
{
    const EVENTMSG events[] = {
        event(WM_KEYDOWN, 0x1E41, 0, 1000),
        event(WM_KEYUP, 0x1E41, 0, 1250),
        event(WM_LBUTTONDOWN, 300, 400, 1250),
    };
    const ActionList actions = LoadRecording(events);
    ASSERT_EQ(actions.size(), 5u);

    EXPECT_EQ(actions[0]->actionType, atKey);
    EXPECT_EQ(actions[0]->key, 0x41);
    EXPECT_EQ(actions[0]->keyAction, kaDown);

    EXPECT_EQ(actions[1]->actionType, atDelay);
    EXPECT_EQ(actions[1]->delay, 250);

    EXPECT_EQ(actions[2]->actionType, atKey);
    EXPECT_EQ(actions[2]->keyAction, kaUp);

    // Equal time stamps still give a delay action, of 0 ms.
    EXPECT_EQ(actions[3]->actionType, atDelay);
    EXPECT_EQ(actions[3]->delay, 0);

    EXPECT_EQ(actions[4]->actionType, atClick);
    EXPECT_EQ(actions[4]->mousePoint, cpFixed);
    EXPECT_EQ(actions[4]->mouseClickPosX, 300);
    EXPECT_EQ(actions[4]->mouseClickPosY, 400);
}

TEST(LoadRecording, DelayIsTakenAcrossTheWrapOfTheClock)
{
    const EVENTMSG events[] = { event(WM_MOUSEMOVE, 1, 1, 0xFFFFFF00u), event(WM_MOUSEMOVE, 2, 2, 0x00000010u) };
    const ActionList actions = LoadRecording(events);
    ASSERT_EQ(actions.size(), 3u);
    EXPECT_EQ(actions[1]->actionType, atDelay);
    EXPECT_EQ(actions[1]->delay, 272);
}

} // namespace
} // namespace clickwisp
