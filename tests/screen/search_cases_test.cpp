// Colour and picture search as a colour or picture click uses them: colour
// texts, similarity, scan order, click points and rectangle offsets, over
// the fake screen.
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_file.h"
#include "screen/screen_search.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

using test::setPixel;

constexpr ScreenPoint kNotFound { -1, -1 };

// A fake screen showing image, with the trace of its captures.
struct ShownScreen {
    explicit ShownScreen(const TBDBitmapData& image)
    {
        const auto file = dir / "screen.bmp";
        EXPECT_TRUE(test::writeBmp(file, image));
        auto loaded = LoadScreenImage(file);
        EXPECT_TRUE(loaded.has_value());
        if (loaded)
            source = makeFakeScreen(trace, std::move(*loaded));
    }
    size_t captures() const { return trace->lines().size(); }

    test::TempDir dir;
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    std::unique_ptr<ScreenSource> source;
};

// A screen whose every capture fails.
class BrokenScreen final : public ScreenSource {
public:
    ScreenSize screenSize() override { return { 640, 480 }; }
    bool capture(int32_t, int32_t, const PixelView&) override { return false; }
};

TEST(SimilarityTolerance, FollowsTheTableAndGoesNegativeAbove100)
{
    const std::pair<int32_t, int32_t> table[] = { { 100, 0 }, { 95, 12 }, { 90, 25 }, { 85, 38 }, { 80, 51 },
        { 75, 63 }, { 70, 76 }, { 65, 89 }, { 60, 102 }, { 0, 255 }, { 101, -2 }, { 200, -255 } };
    for (const auto& [similarity, tolerance] : table)
        EXPECT_EQ(SimilarityTolerance(similarity), tolerance) << "similarity " << similarity;
    EXPECT_EQ(SimilarityTolerance(INT32_MIN), INT32_MAX); // no overflow for absurd values
}

TEST(ColorWithin, ComparesEachChannelAgainstItsTolerance)
{
    const ColorTolerance t12 { 12, 12, 12 };
    EXPECT_TRUE(ColorWithin(0x646464, 0x705864, t12)); // R +12, G -12
    EXPECT_FALSE(ColorWithin(0x646464, 0x716464, t12)); // R +13
    EXPECT_FALSE(ColorWithin(0x646464, 0x645764, t12)); // G -13
    EXPECT_TRUE(ColorWithin(0xFF646464, 0x00646464, ColorTolerance { 0, 0, 0 })); // the top byte does not count
    EXPECT_FALSE(ColorWithin(0x646464, 0x646464, ColorTolerance { -1, -1, -1 }));
    EXPECT_FALSE(ColorWithin(0x646464, 0x646464, ColorTolerance { 5, 5, -1 }));
    EXPECT_TRUE(ColorWithin(0x0A0000, 0x000000, ColorTolerance { 10, 0, 0 })); // red is the third byte
    EXPECT_FALSE(ColorWithin(0x0A0000, 0x000000, ColorTolerance { 0, 0, 10 })); // blue the first
}

TEST(FindColorOnScreen, ReportsScreenCoordinatesOfTheRectangle)
{
    auto image = test::solidImage(200, 100, 0x202020);
    setPixel(*image, 50, 47, 0x00FF00);
    setPixel(*image, 20, 10, 0x00FF00); // outside the rectangle
    ShownScreen screen(*image);
    EXPECT_EQ(FindColorOnScreen(*screen.source, "clLime", 50, 40, 120, 90, 100).value(), (ScreenPoint { 50, 47 }));
    EXPECT_EQ(screen.trace->lines().back(), "CaptureScreen 50 40 70 50");
    // A left or top off the screen is captured from 0; the point stays a
    // screen point.
    EXPECT_EQ(FindColorOnScreen(*screen.source, "clLime", -5, -3, 100, 100, 100).value(), (ScreenPoint { 20, 10 }));
    EXPECT_EQ(screen.trace->lines().back(), "CaptureScreen 0 0 105 103");
    // Every call captures anew.
    const size_t before = screen.captures();
    EXPECT_TRUE(FindColorOnScreen(*screen.source, "clLime", 0, 0, 200, 100, 100).has_value());
    EXPECT_TRUE(FindColorOnScreen(*screen.source, "clLime", 0, 0, 200, 100, 100).has_value());
    EXPECT_EQ(screen.captures(), before + 2);
}

TEST(FindPictureOnScreen, ClicksTheCentreOfTheFirstPlacement)
{
    auto image = test::solidImage(1920, 1080, 0x336699);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x)
            setPixel(*image, 1910 + x, 1070 + y, uint32_t(x * 20 + y));
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            setPixel(*image, 100 + x, 200 + y, 0xFF0000 + uint32_t(x + 10 * y));
    ShownScreen screen(*image);
    auto corner = test::cutOut(*image, 1910, 1070, 10, 10);
    EXPECT_EQ(image->LocatePicture(*corner), (ScreenPoint { 1910, 1070 }));
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *corner, 0, 0, 1920, 1080, 100), (ScreenPoint { 1915, 1075 }));
    auto small = test::cutOut(*image, 100, 200, 5, 3);
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *small, 0, 0, 1920, 1080, 100), (ScreenPoint { 102, 201 }));
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *small, 0, 0, 1920, 1080, 90), (ScreenPoint { 102, 201 }));
    // In a rectangle: screen coordinates; a rectangle that cuts the picture
    // off does not find it.
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *small, 90, 150, 300, 300, 100), (ScreenPoint { 102, 201 }));
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *small, 101, 150, 300, 300, 100), kNotFound);
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *small, 0, 0, 1920, 1080, 101), kNotFound);
}

TEST(FindPictureOnScreen, FindsAPictureAsLargeAsTheScreenButNotALargerOne)
{
    auto image = test::solidImage(64, 48, 0);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            setPixel(*image, x, y, uint32_t(x * 4) << 8 | uint32_t(y * 5));
    ShownScreen screen(*image);
    auto whole = test::cutOut(*image, 0, 0, 64, 48);
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *whole, 0, 0, 64, 48, 100), (ScreenPoint { 32, 24 }));
    setPixel(*whole, 63, 0, 0xFFFFFF);
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *whole, 0, 0, 64, 48, 100), kNotFound);
    auto wider = test::solidImage(65, 1, 0);
    EXPECT_EQ(FindPictureOnScreen(*screen.source, *wider, 0, 0, 64, 48, 60), kNotFound);
}

TEST(FindPictureOnScreen, AnEmptyPictureIsFoundAtTheRectanglesCorner)
{
    ShownScreen screen(*test::solidImage(100, 80, 0x123456));
    TBDBitmapData empty;
    EXPECT_EQ(FindPictureOnScreen(*screen.source, empty, 0, 0, 100, 80, 100), (ScreenPoint { 0, 0 }));
    EXPECT_EQ(FindPictureOnScreen(*screen.source, empty, 50, 40, 100, 80, 100), (ScreenPoint { 50, 40 }));
    EXPECT_EQ(FindPictureOnScreen(*screen.source, empty, 50, 40, 100, 80, 150), (ScreenPoint { 50, 40 }));
}

TEST(ScreenSearch, AFailedCaptureFindsNothingAndTheCheckedFormsSaySo)
{
    BrokenScreen screen;
    auto picture = test::solidImage(2, 2, 0);
    EXPECT_EQ(FindColorOnScreen(screen, "clBlack", 0, 0, 640, 480, 100).value(), kNotFound);
    EXPECT_FALSE(FindColorOnScreen(screen, "black", 0, 0, 640, 480, 100).has_value());
    EXPECT_EQ(FindPictureOnScreen(screen, *picture, 0, 0, 640, 480, 100), kNotFound);
    const auto color = FindColorOnScreenChecked(screen, "clBlack", 0, 0, 640, 480, 100);
    ASSERT_FALSE(color.has_value());
    EXPECT_NE(color.error().message.find("capture"), std::string::npos);
    EXPECT_FALSE(FindPictureOnScreenChecked(screen, *picture, 0, 0, 640, 480, 100).has_value());
}

} // namespace
} // namespace clickwisp
