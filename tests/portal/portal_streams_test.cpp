// The monitors of a portal session: read from its Start answer, the primary
// one, and where a point of the layout goes (negative origins, the edge).
#include "platform/portal/portal_streams.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

DbusValue stream(uint32_t node, int32_t x, int32_t y, int32_t width, int32_t height)
{
    return DbusValue::structure({ node,
        DbusValue::vardict({ { "id", "0" }, { "position", DbusValue::structure({ x, y }) },
            { "size", DbusValue::structure({ width, height }) }, { "source_type", uint32_t(1) } }) });
}

// The answer of a desktop with a 1920 x 1080 monitor at (0, 0) and a
// 1280 x 720 one above its left (a scaled one reports its logical size).
DbusVardict twoMonitors()
{
    return { { "devices", uint32_t(3) },
        { "streams",
            DbusValue::array("(ua{sv})", { stream(44, -640, -720, 1280, 720), stream(45, 0, 0, 1920, 1080) }) } };
}

TEST(PortalStreams, TheStartAnswerGivesEachMonitorWithItsPlace)
{
    const auto streams = streamsFromResults(twoMonitors());
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0], (PortalStream { 44, -640, -720, 1280, 720 }));
    EXPECT_EQ(streams[1], (PortalStream { 45, 0, 0, 1920, 1080 }));
    // The primary screen is the one at (0, 0), not the first.
    ASSERT_NE(primaryStream(streams), nullptr);
    EXPECT_EQ(primaryStream(streams)->node, 45u);

    // A stream without a size is left out; no streams, no primary screen.
    const DbusVardict sizeless { { "streams",
        DbusValue::array("(ua{sv})", { DbusValue::structure({ uint32_t(7), DbusValue::vardict({}) }) }) } };
    EXPECT_TRUE(streamsFromResults(sizeless).empty());
    EXPECT_EQ(primaryStream({}), nullptr);
    EXPECT_TRUE(streamsFromResults({}).empty());
}

TEST(PortalStreams, APointGoesToTheMonitorThatHoldsItElseToTheNearestEdge)
{
    const auto streams = streamsFromResults(twoMonitors());
    EXPECT_EQ(streamPoint(streams, 700, 400), (StreamPoint { 45, 700, 400 }));
    EXPECT_EQ(streamPoint(streams, -640, -720), (StreamPoint { 44, 0, 0 }));
    EXPECT_EQ(streamPoint(streams, -1, -1), (StreamPoint { 44, 639, 719 }));
    // Off every monitor: the pointer stops at the nearest edge.
    EXPECT_EQ(streamPoint(streams, 5000, 500), (StreamPoint { 45, 1919, 500 }));
    EXPECT_EQ(streamPoint(streams, -2000, -100), (StreamPoint { 44, 0, 620 }));
    EXPECT_EQ(streamPoint({}, 1, 1), std::nullopt);
}

} // namespace
} // namespace clickwisp
