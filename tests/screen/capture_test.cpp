// CaptureScreen's rectangle rules, over the fake screen.
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_data.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

TEST(CaptureScreen, MovesAnOffScreenCornerToZeroAndTakesTheRestForSizesBelowOne)
{
    auto trace = std::make_shared<FakeTrace>();
    auto screen = makeFakeScreen(trace, std::nullopt);
    EXPECT_EQ(screen->screenSize(), (ScreenSize { 1920, 1080 }));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(*screen, -5, 10, 0, 0));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 1070);
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 1920, 1080, -3, 5));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 5);
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 1900, 1000, 0, 200));
    EXPECT_EQ(buffer.Width(), 20);
    EXPECT_EQ(buffer.Height(), 200); // larger values are kept
    const std::vector<std::string> expected { "CaptureScreen 0 10 1920 1070", "CaptureScreen 0 0 1920 5",
        "CaptureScreen 1900 1000 20 200" };
    EXPECT_EQ(trace->lines(), expected);
}

} // namespace
} // namespace clickwisp
