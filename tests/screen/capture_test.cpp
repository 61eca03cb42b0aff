// CaptureScreen's rectangle rules and buffer reuse, over the fake screen.
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_data.h"
#include "screen/bitmap_file.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

struct FakeScreen {
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    std::unique_ptr<ScreenSource> source;
};

FakeScreen blackScreen()
{
    FakeScreen screen;
    screen.source = makeFakeScreen(screen.trace, std::nullopt);
    return screen;
}

TEST(CaptureScreen, MovesAnOffScreenCornerToZeroAndTakesTheRestForSizesBelowOne)
{
    FakeScreen screen = blackScreen();
    EXPECT_EQ(screen.source->screenSize(), (ScreenSize { 1920, 1080 }));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(*screen.source, -5, 10, 0, 0));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 1070);
    ASSERT_TRUE(buffer.CaptureScreen(*screen.source, 1920, 1080, -3, 5));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 5);
    ASSERT_TRUE(buffer.CaptureScreen(*screen.source, 1900, 1000, 0, 200));
    EXPECT_EQ(buffer.Width(), 20);
    EXPECT_EQ(buffer.Height(), 200); // larger values are kept
    const std::vector<std::string> expected { "CaptureScreen 0 10 1920 1070", "CaptureScreen 0 0 1920 5",
        "CaptureScreen 1900 1000 20 200" };
    EXPECT_EQ(screen.trace->lines(), expected);
}

TEST(CaptureScreen, CopiesTheImageAndLeavesWhatLiesOffTheScreenBlack)
{
    test::TempDir dir;
    auto image = test::solidImage(40, 30, 0);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            test::setPixel(*image, x, y, 0x010000u * uint32_t(x) + 0x100u * uint32_t(y) + 7);
    ASSERT_TRUE(test::writeBmp(dir / "screen.bmp", *image));
    FakeScreen screen;
    screen.source = makeFakeScreen(screen.trace, LoadScreenImage(dir / "screen.bmp").value());
    EXPECT_EQ(screen.source->screenSize(), (ScreenSize { 40, 30 }));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(*screen.source, 30, 25, 15, 10));
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 15; ++x) {
            const uint32_t expected = (30 + x < 40 && 25 + y < 30) ? image->PixelAt(30 + x, 25 + y) : 0;
            ASSERT_EQ(buffer.PixelAt(x, y), expected) << x << ", " << y;
        }
    }
}

TEST(ScreenImage, RefusesAFileItCannotServeNamingTheFile)
{
    test::TempDir dir;
    test::writeFile(dir / "text.bmp", "this is not a bitmap");
    auto notBmp = LoadScreenImage(dir / "text.bmp");
    ASSERT_FALSE(notBmp.has_value());
    EXPECT_NE(notBmp.error().message.find("text.bmp"), std::string::npos);
    auto missing = LoadScreenImage(dir / "missing.bmp");
    ASSERT_FALSE(missing.has_value());
    EXPECT_NE(missing.error().message.find("missing.bmp"), std::string::npos);
}

} // namespace
} // namespace clickwisp
